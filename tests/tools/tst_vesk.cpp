// The start-up movie as orvanto-mkvesk writes it.
#include "swf/model/shape.h"
#include "swftest_tools.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestVesk : public QObject {
    Q_OBJECT
private slots:
    void welcomeAnimationLoops();
};

void TestVesk::welcomeAnimationLoops()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vesk.swf"));
    QCOMPARE(QProcess::execute(QStringLiteral(ORVANTO_MKVESK), {path}), 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    auto movie = mustParse(file.readAll());
    QCOMPARE(movie->stage(), (swf::Rect{0, 525 * 20, 0, 315 * 20}));
    QVERIFY(movie->frameRate() >= 12 && movie->frameRate() <= 24);
    QCOMPARE(movie->frameCount(), movie->timeline().frameCount());
    QVERIFY(movie->frameCount() >= 24);
    QCOMPARE(movie->stats().unknownTags, 0);
    QCOMPARE(movie->stats().malformedTags, 0);

    // Every frame draws something on the black stage, frames differ, and
    // the loop comes back to the first picture.
    swf::Player player(movie);
    swf::Renderer renderer;
    const QImage first = renderer.render(player, QSize(525, 315), Qt::black);
    QImage previous = first;
    int changes = 0;
    for (int f = 1; f < movie->frameCount(); ++f) {
        player.step();
        const QImage image = renderer.render(player, QSize(525, 315), Qt::black);
        int lit = 0;
        for (int y = 0; y < image.height(); y += 5) {
            for (int x = 0; x < image.width(); x += 5)
                lit += qGray(image.pixel(x, y)) > 40;
        }
        QVERIFY2(lit > 100, qPrintable(QStringLiteral("frame %1 is nearly black").arg(f)));
        changes += image != previous;
        previous = image;
    }
    QVERIFY(changes >= movie->frameCount() / 2);
    player.step();
    QCOMPARE(player.frame(), 0);
    QCOMPARE(renderer.render(player, QSize(525, 315), Qt::black), first);
}

QTEST_GUILESS_MAIN(TestVesk)
#include "tst_vesk.moc"
