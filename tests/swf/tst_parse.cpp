// The movie model as parsed from written movies: every field of shapes and
// placements, timelines, labels, and what the parser skips.
#include "swf/io/tagcodes.h"
#include "swf/model/placement.h"
#include "swf/model/scripttags.h"
#include "swf/model/shape.h"
#include "swf/model/sprite.h"
#include "swftest.h"

#include <QTest>

namespace {

template <typename T> const T &tagAt(const swf::Timeline &timeline, int frame, int index)
{
    return dynamic_cast<const T &>(*timeline.frames.at(frame).tags.at(index));
}

// A FILLSTYLE of DefineShape3: linear gradient, identity matrix, pad,
// two RGBA records.
QByteArray linearGradientFill()
{
    swfwriter::BitWriter w;
    w.u8(0x10);                    // linear gradient
    swfwriter::writeMatrix(w, {}); // identity
    w.ub(2, 1);                    // spread: reflect
    w.ub(2, 1);                    // interpolation: linear RGB
    w.ub(4, 2);                    // two records
    w.u8(0);                       // ratio 0
    swfwriter::writeRgba(w, {255, 0, 0, 255});
    w.u8(255); // ratio 255
    swfwriter::writeRgba(w, {0, 0, 255, 128});
    return w.data();
}

QByteArray bitmapFill()
{
    swfwriter::BitWriter w;
    w.u8(0x41); // clipped bitmap
    w.u16(42);  // bitmap id
    swfwriter::writeMatrix(w, swfwriter::translation(1, 2));
    return w.data();
}

} // namespace

class TestParse : public QObject {
    Q_OBJECT
private slots:
    void headerAndBackground();
    void shapeRecordsRoundTrip();
    void everyFillKind();
    void lineStyle2WithFill();
    void placeObjectFields();
    void placeObject3Extras();
    void placeObject3CutShortInItsBackground();
    void removeObjects();
    void spritesAndLabels();
    void unknownTagsAreCountedAndSkipped();
    void firstDefinitionWins();
    void scriptTagsAndSymbols();
};

void TestParse::headerAndBackground()
{
    swfwriter::SwfWriter w;
    w.setVersion(8);
    w.setStageRect(swf::Rect{-200, 5800, 100, 4100});
    w.setFrameRate(29.97);
    w.setBackgroundColor({0x12, 0x34, 0x56});
    w.setBackgroundColor({0xff, 0xff, 0xff}); // only the first one counts
    w.showFrame(2);
    auto movie = mustParse(w.finish());
    QCOMPARE(movie->version(), 8);
    QCOMPARE(movie->stage(), (swf::Rect{-200, 5800, 100, 4100}));
    QCOMPARE(movie->frameRate(), qRound(29.97 * 256) / 256.0);
    QCOMPARE(movie->frameCount(), 2);
    QVERIFY(movie->backgroundColor());
    QCOMPARE(*movie->backgroundColor(), (swf::Rgba{0x12, 0x34, 0x56, 255}));
    QCOMPARE(movie->stats().topLevelTags, 5); // two backgrounds, two frames, End
}

void TestParse::shapeRecordsRoundTrip()
{
    swfwriter::SwfWriter w;
    swfwriter::ShapeBuilder b;
    const int red = b.addFill({255, 0, 0});
    const int line = b.addLine(40, {0, 0, 0});
    b.moveTo(100, 200).setFill1(red).setLine(line);
    b.lineTo(1100, 200).lineTo(1100, 1200).curveTo(600, 1700, 100, 1200).lineTo(100, 200);
    b.newStyles();
    const int blue = b.addFill({0, 0, 255});
    b.moveTo(-70000, 0).setFill0(blue).lineTo(70000, 0); // longer than one edge can hold
    const quint16 id = w.defineShape(b, 1);
    auto movie = mustParse(w.finish());
    const auto &shape = dynamic_cast<const swf::Shape &>(*movie->character(id));
    QCOMPARE(shape.version, 1);
    QCOMPARE(int(shape.styleTables.size()), 2);
    QCOMPARE(shape.styleTables[0].fills[0].color, (swf::Rgba{255, 0, 0, 255}));
    QCOMPARE(shape.styleTables[0].lines[0].width, quint16(40));
    QCOMPARE(shape.bounds, (swf::Rect{-70020, 70020, -20, 1720}));

    // Walk the records and add the edges up: the pen must come back to
    // where each figure started.
    QPoint pen;
    QList<QPoint> corners;
    int curves = 0;
    for (const swf::ShapeRecord &record : shape.records) {
        if (const auto *change = std::get_if<swf::StyleChangeRecord>(&record)) {
            if (change->moveTo)
                pen = *change->moveTo;
        } else if (const auto *edge = std::get_if<swf::StraightEdgeRecord>(&record)) {
            pen += edge->delta;
            corners.append(pen);
        } else {
            const auto &curve = std::get<swf::CurvedEdgeRecord>(record);
            QCOMPARE(pen + curve.control, QPoint(600, 1700));
            pen += curve.control + curve.anchor;
            corners.append(pen);
            ++curves;
        }
    }
    QCOMPARE(curves, 1);
    QVERIFY(corners.contains(QPoint(1100, 1200)));
    QVERIFY(corners.contains(QPoint(100, 200)));
    QCOMPARE(pen, QPoint(70000, 0));
}

void TestParse::everyFillKind()
{
    swfwriter::SwfWriter w;
    swfwriter::ShapeBuilder b;
    b.addFill({1, 2, 3, 4});
    b.addRawFill(linearGradientFill());
    b.addRawFill(bitmapFill());
    b.rect(QRect(0, 0, 100, 100), 1);
    const quint16 id = w.defineShape(b, 3);
    auto movie = mustParse(w.finish());
    const auto &fills =
        dynamic_cast<const swf::Shape &>(*movie->character(id)).styleTables[0].fills;
    QCOMPARE(int(fills.size()), 3);
    QCOMPARE(fills[0].kind, swf::FillKind::Solid);
    QCOMPARE(fills[0].color, (swf::Rgba{1, 2, 3, 4}));
    QCOMPARE(fills[1].kind, swf::FillKind::LinearGradient);
    QCOMPARE(fills[1].gradient.spread, swf::SpreadMode::Reflect);
    QCOMPARE(fills[1].gradient.interpolation, swf::InterpolationMode::Linear);
    QCOMPARE(int(fills[1].gradient.records.size()), 2);
    QCOMPARE(fills[1].gradient.records[1].ratio, quint8(255));
    QCOMPARE(fills[1].gradient.records[1].color, (swf::Rgba{0, 0, 255, 128}));
    QCOMPARE(fills[2].kind, swf::FillKind::ClippedBitmap);
    QCOMPARE(fills[2].bitmapId, quint16(42));
    QCOMPARE(fills[2].matrix.translateX, 20);
    QCOMPARE(fills[2].matrix.translateY, 40);
}

// DefineShape4 built field by field: a LINESTYLE2 whose fill is a focal
// gradient, and the fill-winding flag.
void TestParse::lineStyle2WithFill()
{
    swfwriter::BitWriter t;
    t.u16(5);                                  // shape id
    swfwriter::writeRect(t, {0, 200, 0, 200}); // shape bounds
    swfwriter::writeRect(t, {0, 200, 0, 200}); // edge bounds
    t.ub(5, 0);                                // reserved
    t.ub(1, 1);                                // UsesFillWindingRule
    t.ub(1, 0);                                // UsesNonScalingStrokes
    t.ub(1, 1);                                // UsesScalingStrokes
    t.u8(0);                                   // no fill styles
    t.u8(1);                                   // one line style
    t.u16(60);                                 // width
    t.ub(2, 2);                                // start cap: square
    t.ub(2, 2);                                // join: miter
    t.ub(1, 1);                                // HasFillFlag
    t.ub(1, 1);                                // NoHScaleFlag
    t.ub(1, 0);                                // NoVScaleFlag
    t.ub(1, 1);                                // PixelHintingFlag
    t.ub(5, 0);                                // reserved
    t.ub(1, 1);                                // NoClose
    t.ub(2, 1);                                // end cap: none
    t.fixed8(2.5);                             // miter limit
    t.u8(0x13);                                // focal radial gradient
    swfwriter::writeMatrix(t, {});
    t.ub(2, 0); // spread pad
    t.ub(2, 0); // interpolation normal
    t.ub(4, 1); // one record
    t.u8(128);
    swfwriter::writeRgba(t, {9, 8, 7, 6});
    t.fixed8(-0.75); // focal point
    t.ub(4, 0);      // NumFillBits
    t.ub(4, 1);      // NumLineBits
    t.ub(6, 0);      // end of shape
    swfwriter::SwfWriter w;
    w.rawTag(swf::TagCode::DefineShape4, t.data());
    auto movie = mustParse(w.finish());
    const auto &shape = dynamic_cast<const swf::Shape &>(*movie->character(5));
    QVERIFY(shape.usesFillWindingRule);
    QVERIFY(!shape.usesNonScalingStrokes);
    QVERIFY(shape.usesScalingStrokes);
    const swf::LineStyle &line = shape.styleTables[0].lines.at(0);
    QCOMPARE(line.width, quint16(60));
    QCOMPARE(line.startCap, swf::CapStyle::Square);
    QCOMPARE(line.endCap, swf::CapStyle::None);
    QCOMPARE(line.join, swf::JoinStyle::Miter);
    QCOMPARE(line.miterLimit, 2.5);
    QVERIFY(line.noHScale && !line.noVScale && line.pixelHinting && line.noClose);
    QVERIFY(line.fill);
    QCOMPARE(line.fill->kind, swf::FillKind::FocalGradient);
    QCOMPARE(line.fill->gradient.focalPoint, -0.75);
    QCOMPARE(line.fill->gradient.records.at(0).color, (swf::Rgba{9, 8, 7, 6}));
    QCOMPARE(movie->stats().malformedTags, 0);
}

void TestParse::placeObjectFields()
{
    swfwriter::SwfWriter w;
    const quint16 id = defineSquare(w, 10, {0, 0, 0});
    swf::ColorTransform cx;
    cx.multR = 128;
    cx.addB = -20;
    cx.multA = 64;
    w.placeObject(id, 3, swfwriter::translation(1, 2), cx);
    swfwriter::Place p;
    p.depth = 4;
    p.characterId = id;
    p.matrix = swfwriter::scaleRotateTranslate(2.0, 0.5, 90, -3, 4);
    p.colorTransform = cx;
    p.ratio = 32768;
    p.name = QStringLiteral("näme");
    p.clipDepth = 9;
    w.placeObject2(p);
    w.placeObject2(moveTo(4, 7, 7));
    w.showFrame();
    auto movie = mustParse(w.finish());
    const swf::Timeline &t = movie->timeline();
    const auto &one = tagAt<swf::PlaceObject>(t, 0, 0);
    QCOMPARE(one.version, 1);
    QCOMPARE(*one.characterId, id);
    QCOMPARE(one.depth, quint16(3));
    QCOMPARE(one.matrix->translateX, 20);
    QCOMPARE(one.colorTransform->multR, qint16(128));
    QCOMPARE(one.colorTransform->addB, qint16(-20));
    QCOMPARE(one.colorTransform->multA, qint16(256)); // PlaceObject's CXFORM has no alpha

    const auto &two = tagAt<swf::PlaceObject>(t, 0, 1);
    QCOMPARE(two.version, 2);
    QVERIFY(!two.move);
    QVERIFY(qAbs(two.matrix->rotateSkew0 - 2.0) < 1e-4);
    QVERIFY(qAbs(two.matrix->rotateSkew1 + 0.5) < 1e-4);
    QVERIFY(qAbs(two.matrix->scaleX) < 1e-4);
    QCOMPARE(two.matrix->translateX, -60);
    QCOMPARE(two.colorTransform->multA, qint16(64));
    QCOMPARE(*two.ratio, quint16(32768));
    QCOMPARE(*two.name, QStringLiteral("näme"));
    QCOMPARE(*two.clipDepth, quint16(9));
    QVERIFY(!two.className && !two.filters && !two.clipActions);

    const auto &move = tagAt<swf::PlaceObject>(t, 0, 2);
    QVERIFY(move.move);
    QVERIFY(!move.characterId);
    QVERIFY(!move.colorTransform);
}

void TestParse::placeObject3Extras()
{
    swfwriter::BitWriter filters;
    filters.u8(3); // three filters
    filters.u8(1); // blur: 9 bytes
    filters.bytes(QByteArray(9, char(1)));
    filters.u8(4); // gradient glow
    filters.u8(2); //   two colours
    filters.bytes(QByteArray(2 * 5 + 19, char(2)));
    filters.u8(5); // convolution
    filters.u8(3); //   3 × 3 matrix
    filters.u8(3);
    filters.bytes(QByteArray(8 + 36 + 5, char(3)));
    swfwriter::BitWriter actions;
    actions.u16(0);          // reserved
    actions.u32(0x00020001); // all events: key press, load
    actions.u32(0x00020000); // key press
    actions.u32(3);          //   3 bytes: key code and 2 actions
    actions.u8(65);          //   key 'A'
    actions.bytes(QByteArray::fromHex("0700"));
    actions.u32(0x00000001); // load
    actions.u32(1);
    actions.u8(0);
    actions.u32(0); // end
    swfwriter::SwfWriter w;
    w.setVersion(8);
    const quint16 id = defineSquare(w, 10, {0, 0, 0});
    swfwriter::Place p = placeAt(2, id, 0, 0);
    p.className = QStringLiteral("Box");
    p.blendMode = 3;
    p.bitmapCache = 1;
    p.visible = 0;
    p.opaqueBackground = swf::Rgba{0x10, 0x20, 0x30, 0x40};
    p.rawFilters = filters.data();
    p.rawClipActions = actions.data();
    w.placeObject3(p);
    w.showFrame();
    auto movie = mustParse(w.finish());
    const auto &place = tagAt<swf::PlaceObject>(movie->timeline(), 0, 0);
    QCOMPARE(place.version, 3);
    QCOMPARE(*place.className, QStringLiteral("Box"));
    QCOMPARE(*place.blendMode, quint8(3));
    QCOMPARE(*place.bitmapCache, quint8(1));
    QCOMPARE(*place.visible, quint8(0));
    QVERIFY(*place.opaqueBackground == (swf::Rgba{0x10, 0x20, 0x30, 0x40}));
    QCOMPARE(int(place.filters->size()), 3);
    QCOMPARE(place.filters->at(1).kind, swf::Filter::Kind::GradientGlow);
    QCOMPARE(int(place.filters->at(1).gradient.records.size()), 2);
    QCOMPARE(place.filters->at(2).kind, swf::Filter::Kind::Convolution);
    QCOMPARE(int(place.filters->at(2).kernel.size()), 9);
    QCOMPARE(place.clipActions->allEvents, 0x00020001u);
    QCOMPARE(int(place.clipActions->records.size()), 2);
    QCOMPARE(place.clipActions->records[0].keyCode, quint8(65));
    QCOMPARE(place.clipActions->records[0].actions, QByteArray::fromHex("0700"));
    QCOMPARE(movie->stats().malformedTags, 0);
}

void TestParse::placeObject3CutShortInItsBackground()
{
    // The tag ends two bytes into its background colour, and once more
    // where its visibility byte would be: the object is still placed,
    // visible and without a background, and the tag counts as damaged.
    swfwriter::TimelineWriter tag;
    swfwriter::Place p = placeAt(1, 1, 0, 0);
    p.opaqueBackground = swf::Rgba{1, 2, 3, 4};
    tag.placeObject3(p);
    const QByteArray body = tag.tags().mid(2); // a short tag header
    QCOMPARE(body.size(), (tag.tags().at(0) & 0x3f));
    swfwriter::SwfWriter w;
    defineSquare(w, 10, {0, 0, 0});
    w.rawTag(swf::TagCode::PlaceObject3, body.left(body.size() - 2));
    swfwriter::TimelineWriter hiddenTag;
    p.depth = 2;
    p.opaqueBackground.reset();
    p.visible = 0;
    hiddenTag.placeObject3(p);
    w.rawTag(swf::TagCode::PlaceObject3, hiddenTag.tags().mid(2).chopped(1));
    w.showFrame();
    auto movie = mustParse(w.finish());
    const auto &place = tagAt<swf::PlaceObject>(movie->timeline(), 0, 0);
    QCOMPARE(*place.characterId, quint16(1));
    QVERIFY(!place.opaqueBackground);
    const auto &unhidden = tagAt<swf::PlaceObject>(movie->timeline(), 0, 1);
    QCOMPARE(unhidden.depth, quint16(2));
    QVERIFY(!unhidden.visible);
    QCOMPARE(movie->stats().malformedTags, 2);
}

void TestParse::removeObjects()
{
    swfwriter::SwfWriter w;
    w.removeObject(7, 3);
    w.removeObject2(4);
    w.showFrame();
    auto movie = mustParse(w.finish());
    const auto &one = tagAt<swf::RemoveObject>(movie->timeline(), 0, 0);
    QCOMPARE(one.version, 1);
    QCOMPARE(*one.characterId, quint16(7));
    QCOMPARE(one.depth, quint16(3));
    const auto &two = tagAt<swf::RemoveObject>(movie->timeline(), 0, 1);
    QCOMPARE(two.version, 2);
    QCOMPARE(two.depth, quint16(4));
}

void TestParse::spritesAndLabels()
{
    swfwriter::SwfWriter w;
    const quint16 square = defineSquare(w, 10, {0, 0, 0});
    swfwriter::TimelineWriter s;
    s.placeObject2(placeAt(1, square, 0, 0));
    s.frameLabel(QStringLiteral("spin"));
    s.showFrame();
    s.rawTag(swf::TagCode::DefineShape, QByteArray(20, 0)); // definitions do not belong here
    s.showFrame(2);
    const quint16 sprite = w.defineSprite(s, std::nullopt, 7);
    w.frameLabel(QStringLiteral("intro"));
    w.showFrame();
    w.frameLabel(QStringLiteral("Main"), true);
    w.showFrame();
    auto movie = mustParse(w.finish());
    const auto &parsed = dynamic_cast<const swf::Sprite &>(*movie->character(sprite));
    QCOMPARE(parsed.declaredFrameCount, quint16(7));
    QCOMPARE(parsed.timeline.frameCount(), 3);
    QCOMPARE(parsed.timeline.frameOfLabel(QStringLiteral("spin")), 0);
    QCOMPARE(movie->timeline().frameOfLabel(QStringLiteral("INTRO")), 0);
    QCOMPARE(movie->timeline().frameOfLabel(QStringLiteral("main")), 1);
    QVERIFY(movie->timeline().labels.at(1).anchor);
    QCOMPARE(movie->timeline().frameOfLabel(QStringLiteral("spin")), -1);
    QCOMPARE(movie->stats().unknownTags, 1);
}

void TestParse::unknownTagsAreCountedAndSkipped()
{
    swfwriter::SwfWriter w;
    w.rawTag(1000, QByteArray(100, 'x'));
    w.rawTag(1001, QByteArray::fromHex("00"));
    const quint16 square = defineSquare(w, 10, {0, 0, 0});
    w.placeObject2(placeAt(1, square, 0, 0));
    w.showFrame();
    auto movie = mustParse(w.finish());
    QCOMPARE(movie->stats().unknownTags, 2);
    QCOMPARE(movie->stats().byCode.value(1000), 1);
    QCOMPARE(movie->timeline().frames.at(0).tags.size(), size_t(1));
}

void TestParse::firstDefinitionWins()
{
    swfwriter::SwfWriter w;
    swfwriter::ShapeBuilder first, second;
    first.rect(QRect(0, 0, 100, 100), first.addFill({1, 1, 1}));
    second.rect(QRect(0, 0, 100, 100), second.addFill({2, 2, 2}));
    w.defineShape(first, 3, 10);
    w.defineShape(second, 3, 10);
    auto movie = mustParse(w.finish());
    const auto &shape = dynamic_cast<const swf::Shape &>(*movie->character(10));
    QCOMPARE(shape.styleTables[0].fills[0].color.r, quint8(1));
}

// DoAction in a sprite and on the main timeline, DoInitAction (main
// timeline only), both DoABC forms, and the tables of names and settings.
void TestParse::scriptTagsAndSymbols()
{
    auto named = [](std::initializer_list<std::pair<quint16, const char *>> pairs) {
        swfwriter::BitWriter b;
        b.u16(quint32(pairs.size()));
        for (const auto &[id, name] : pairs) {
            b.u16(id);
            b.cstring(name);
        }
        return b.data();
    };
    swfwriter::SwfWriter w;
    w.setVersion(9);
    w.rawTag(swf::TagCode::FileAttributes, QByteArray::fromHex("08000000"));
    w.rawTag(swf::TagCode::ScriptLimits, QByteArray::fromHex("0000ffff")); // depth 0, 65535 s
    const quint16 square = defineSquare(w, 10, {0, 0, 0});
    w.rawTag(swf::TagCode::ExportAssets, named({{square, "Box"}, {7, "Box"}}));
    w.rawTag(swf::TagCode::SymbolClass, named({{0, "Main"}, {square, "Box"}}));
    w.rawTag(swf::TagCode::DoInitAction, QByteArray::fromHex("0a000700"));
    w.rawTag(swf::TagCode::DoAction, QByteArray::fromHex("0600"));
    w.rawTag(swf::TagCode::DoAbc, QByteArray::fromHex("01000000") + "frame1" + QByteArray(1, 0) +
                                      QByteArray::fromHex("10002e00"));
    w.rawTag(swf::TagCode::DoAbc1, QByteArray::fromHex("10002e00"));
    w.rawTag(swf::TagCode::DoAction, QByteArray()); // empty: still a tag
    w.showFrame();
    auto movie = mustParse(w.finish());
    const auto &tags = movie->timeline().frames.at(0).tags;
    QCOMPARE(tags.size(), size_t(5));
    const auto &init = static_cast<const swf::DoInitAction &>(*tags[0]);
    QCOMPARE(init.kind(), swf::ControlKind::DoInitAction);
    QCOMPARE(init.spriteId, quint16(10));
    QCOMPARE(init.actions, QByteArray::fromHex("0700"));
    QCOMPARE(static_cast<const swf::DoAction &>(*tags[1]).actions, QByteArray::fromHex("0600"));
    const auto &abc = static_cast<const swf::DoAbc &>(*tags[2]);
    QCOMPARE(abc.flags, swf::DoAbc::kLazyInitialize);
    QCOMPARE(abc.name, QStringLiteral("frame1"));
    QCOMPARE(abc.abc, QByteArray::fromHex("10002e00"));
    QCOMPARE(static_cast<const swf::DoAbc &>(*tags[3]).abc, QByteArray::fromHex("10002e00"));
    const swf::SymbolTable &symbols = movie->symbols();
    QCOMPARE(symbols.exported(QStringLiteral("box")), std::optional<quint16>(square));
    QCOMPARE(symbols.exported(QStringLiteral("boxes")), std::nullopt);
    QCOMPARE(symbols.documentClass(), QStringLiteral("Main"));
    QCOMPARE(symbols.classes.value(QStringLiteral("Box")), square);
    QVERIFY(movie->attributes().actionScript3);
    QCOMPARE(movie->scriptLimits().maxRecursionDepth, 1);
    QCOMPARE(movie->scriptLimits().timeoutSeconds, 60);
    QCOMPARE(movie->stats().malformedTags, 0);
}

QTEST_GUILESS_MAIN(TestParse)
#include "tst_parse.moc"
