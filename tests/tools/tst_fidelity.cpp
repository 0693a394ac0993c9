// Visual regression: orvanto-swf compare over the reference corpus, where
// every movie of the committed pass list (fidelity-pass.txt) must still
// pass; and the compare command itself on movies and pictures written
// here: what passes, what fails, what has scripts, the diff pictures.
#include "swf/io/tagcodes.h"
#include "swftest_tools.h"
#include "toolrun.h"
#include "tools/swfwriter/actionwriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <map>

namespace {

using Run = ToolRun;

Run compare(const QStringList &args)
{
    return runTool(QStringLiteral("compare"), args);
}

// "pass NAME 0.000%" lines by movie name: the verdict and the share.
std::map<QString, std::pair<QString, double>> verdicts(const QString &out)
{
    std::map<QString, std::pair<QString, double>> result;
    for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() == 3 && parts[2].endsWith(QLatin1Char('%')))
            result[parts[1]] = {parts[0], parts[2].chopped(1).toDouble()};
    }
    return result;
}

QStringList passList()
{
    return readNameList(QStringLiteral(ORVANTO_SOURCE_DIR "/tests/tools/fidelity-pass.txt"));
}

// A 40 × 20 movie (or 40.5 × 20): a red square on the left half of a
// white stage.
QByteArray redSquareMovie(bool withScript, bool fractional = false)
{
    swfwriter::SwfWriter w;
    w.setStageSize(fractional ? 40.5 : 40, 20);
    swfwriter::Place square = placeAt(1, defineSquare(w, 20, {255, 0, 0}), 0, 0);
    if (withScript)
        square.name = QStringLiteral("square");
    w.placeObject2(square);
    if (withScript) {
        // square._x = 20: the square moves to the right half.
        using swfwriter::ActionWriter;
        ActionWriter a;
        a.push({ActionWriter::string("square")}).op(0x1c); // GetVariable
        a.push({ActionWriter::string("_x"), 20}).op(0x4f); // SetMember
        w.rawTag(swf::TagCode::DoAction, a.finish());
    }
    w.showFrame();
    return w.finish();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestFidelity : public QObject {
    Q_OBJECT
private slots:
    void passListStillPasses();
    void compareJudgesPassFailAndScripts();
};

void TestFidelity::passListStillPasses()
{
    const QString images = QStringLiteral(ORVANTO_CORPUS_DIR "/flashplayer/image");
    if (!QDir(images).exists())
        QSKIP("the reference corpus is not here");
    const QStringList expected = passList();
    QVERIFY2(!expected.isEmpty(), "fidelity-pass.txt is missing or empty");
    const Run run = compare({images});
    const auto results = verdicts(run.out);
    QStringList broken;
    for (const QString &name : expected) {
        const auto it = results.find(name);
        if (it == results.end())
            broken.append(name + QStringLiteral(" (not compared)"));
        else if (it->second.first != QLatin1String("pass"))
            broken.append(QStringLiteral("%1 (%2% outliers)").arg(name).arg(it->second.second));
    }
    qInfo().noquote() << run.out.section(QLatin1Char('\n'), -2);
    QVERIFY2(broken.isEmpty(),
             qPrintable(QStringLiteral("no longer passing: ") + broken.join(QStringLiteral(", "))));
}

void TestFidelity::compareJudgesPassFailAndScripts()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path();
    // The reference of "good" is what the Flash Player would show; that of
    // "bad" has its square in green; "scripted" has a DoAction that moves
    // its square to the right half, and counts like the others.
    QImage reference(40, 20, QImage::Format_RGB32);
    reference.fill(Qt::white);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            reference.setPixel(x, y, qRgb(255, 0, 0));
    QImage wrong = reference;
    wrong.setPixel(30, 10, qRgb(0, 0, 0)); // 1 pixel of 800: within 0.5%
    QImage green = reference;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            green.setPixel(x, y, qRgb(0, 255, 0));
    writeFile(root + QStringLiteral("/good.swf"), redSquareMovie(false));
    QVERIFY(wrong.save(root + QStringLiteral("/good.swf.png")));
    writeFile(root + QStringLiteral("/bad.swf"), redSquareMovie(false));
    QVERIFY(green.save(root + QStringLiteral("/bad.swf.png")));
    writeFile(root + QStringLiteral("/scripted.swf"), redSquareMovie(true));
    QImage moved(40, 20, QImage::Format_RGB32);
    moved.fill(Qt::white);
    for (int y = 0; y < 20; ++y)
        for (int x = 20; x < 40; ++x)
            moved.setPixel(x, y, qRgb(255, 0, 0));
    QVERIFY(moved.save(root + QStringLiteral("/scripted.swf.png")));
    writeFile(root + QStringLiteral("/nopicture.swf"), redSquareMovie(false));
    // Half a pixel wider than its picture: drawn at the picture's size.
    writeFile(root + QStringLiteral("/wider.swf"), redSquareMovie(false, true));
    QVERIFY(reference.save(root + QStringLiteral("/wider.swf.png")));

    const QString diffs = root + QStringLiteral("/diffs");
    Run run = compare({root, QStringLiteral("--diff"), diffs});
    QCOMPARE(run.exitCode, 1);
    auto results = verdicts(run.out);
    QCOMPARE(results.size(), size_t(4));
    QCOMPARE(results[QStringLiteral("scripted.swf")].first, QStringLiteral("pass"));
    QCOMPARE(results[QStringLiteral("wider.swf")].first, QStringLiteral("pass"));
    QCOMPARE(results[QStringLiteral("good.swf")].first, QStringLiteral("pass"));
    QCOMPARE(results[QStringLiteral("good.swf")].second, 0.125);
    QCOMPARE(results[QStringLiteral("bad.swf")].first, QStringLiteral("FAIL"));
    QCOMPARE(results[QStringLiteral("bad.swf")].second, 50.0);
    QVERIFY(
        run.out.contains(QStringLiteral("passed 2 of 3 script-free movies; 1 of 1 with scripts")));
    // The diff picture: ours, the reference and the outliers side by side.
    const QImage diff(diffs + QStringLiteral("/bad.diff.png"));
    QCOMPARE(diff.size(), QSize(3 * 40 + 8, 20));
    QCOMPARE(QColor(diff.pixel(2 * 40 + 8 + 5, 5)), QColor(255, 0, 0));
    QVERIFY(!QFile::exists(diffs + QStringLiteral("/good.diff.png")));

    run = compare({root, QStringLiteral("--only"), QStringLiteral("good")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(verdicts(run.out).size(), size_t(1));
    run = compare({root, QStringLiteral("--scripted")});
    results = verdicts(run.out);
    QCOMPARE(results.size(), size_t(1));
    QCOMPARE(results[QStringLiteral("scripted.swf")].first, QStringLiteral("pass"));
    QCOMPARE(compare({}).exitCode, 2);
    QCOMPARE(compare({root + QStringLiteral("/absent")}).exitCode, 2);
}

QTEST_GUILESS_MAIN(TestFidelity)
#include "tst_fidelity.moc"
