// The volume bar against the fake mixer, with a real progress bar in a
// window and the real cursor: start-up, the click with its truncated
// quotient and its edges, the release on the player window itself, and the
// redraw.
#include "fakemixer.h"
#include "volume/volumebar.h"

#include <QCursor>
#include <QProgressBar>
#include <QTest>
#include <QWidget>

#include <memory>

namespace {

using Op = FakeMixer::Op;

// Counts the paint events a widget receives.
class PaintCounter final : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class TestVolumeBar : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startUpUnmutesAndShowsTheVolume();
    void startUpWithoutVolumeShowsTheBarEmpty();
    void clickOnTheFirstPixel();
    void clickTruncatesTheQuotientFirst_data();
    void clickTruncatesTheQuotientFirst();
    void clickAtTheLevelAlreadySetStillWritesAndUnmutes();
    void releaseOutsideTheBarDoesNothing_data();
    void releaseOutsideTheBarDoesNothing();
    void clickWithoutUsableControlStillMovesTheBar();
    void releaseOnThePlayerWindowOnlyUnmutes();
    void invalidateRepaintsTheBar();

private:
    // A point of the bar's window rectangle, in screen coordinates.
    QPoint barPoint(int dx, int dy) const;
    void putCursor(int dx, int dy) const;
    VolumeBar::ControllerFactory factory();

    std::shared_ptr<FakeMixer> fake;
    std::unique_ptr<QWidget> window;
    QProgressBar *progress = nullptr;
    int constructed = 0;
};

void TestVolumeBar::init()
{
    fake = std::make_shared<FakeMixer>();
    constructed = 0;
    window = std::make_unique<QWidget>();
    window->setGeometry(40, 60, 300, 120);
    progress = new QProgressBar(window.get());
    progress->setGeometry(20, 30, 125, 14);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestVolumeBar::cleanup()
{
    window.reset();
    progress = nullptr;
}

QPoint TestVolumeBar::barPoint(int dx, int dy) const
{
    return progress->mapToGlobal(QPoint(dx, dy));
}

void TestVolumeBar::putCursor(int dx, int dy) const
{
    QCursor::setPos(barPoint(dx, dy));
    QCOMPARE(QCursor::pos(), barPoint(dx, dy));
}

VolumeBar::ControllerFactory TestVolumeBar::factory()
{
    return [this] {
        ++constructed;
        return std::make_unique<MasterVolume>(fake);
    };
}

void TestVolumeBar::startUpUnmutesAndShowsTheVolume()
{
    fake->setValues(FakeMixer::VolumeId, {20000, 21000});
    fake->setValues(FakeMixer::MuteId, {1, 1});
    VolumeBar bar(progress, factory());
    bar.StartUp();

    QCOMPARE(constructed, 1);
    QCOMPARE(fake->values(FakeMixer::MuteId), QList<quint32>({0, 0}));
    QCOMPARE(progress->minimum(), 0);
    QCOMPARE(progress->maximum(), 65535);
    QCOMPARE(progress->value(), 20000);
    // Unmuted before the volume was read, and released at once.
    const QByteArrayList names = fake->callNames();
    QVERIFY(names.indexOf("mixerSetControlDetails") < names.indexOf("mixerGetControlDetailsA"));
    QCOMPARE(names.last(), QByteArray("mixerClose"));
    QVERIFY(fake->openHandles().isEmpty());
}

// No volume reads as -1, which a progress bar would ignore and so keep
// showing whatever it showed before.
void TestVolumeBar::startUpWithoutVolumeShowsTheBarEmpty()
{
    progress->setRange(0, 65535);
    progress->setValue(30000);
    fake->deviceCount = 0;
    VolumeBar bar(progress, factory());
    bar.StartUp();
    QCOMPARE(progress->value(), 0);
    QCOMPARE(progress->maximum(), 65535);
}

void TestVolumeBar::clickOnTheFirstPixel()
{
    fake->setValues(FakeMixer::VolumeId, {9000, 9000});
    VolumeBar bar(progress, factory());
    putCursor(0, 5);
    bar.OnLeftButtonUp();

    QCOMPARE(constructed, 1);
    QCOMPARE(progress->value(), 0);
    QCOMPARE(fake->values(FakeMixer::VolumeId), QList<quint32>({0, 0}));
    QVERIFY(fake->openHandles().isEmpty());
}

void TestVolumeBar::clickTruncatesTheQuotientFirst_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("dx");
    QTest::addColumn<quint32>("value");

    QTest::newRow("125 wide, pixel 10") << 125 << 10 << 5240u;
    QTest::newRow("125 wide, last pixel") << 125 << 124 << 64976u;
    QTest::newRow("83 wide, pixel 41") << 83 << 41 << 32349u; // 789 × 41
    QTest::newRow("1 wide") << 1 << 0 << 0u;
}

void TestVolumeBar::clickTruncatesTheQuotientFirst()
{
    QFETCH(int, width);
    QFETCH(int, dx);
    QFETCH(quint32, value);

    progress->resize(width, 14);
    VolumeBar bar(progress, factory());
    putCursor(dx, 13); // the bottom row is still inside
    bar.OnLeftButtonUp();
    QCOMPARE(progress->value(), int(value));
    QCOMPARE(fake->values(FakeMixer::VolumeId), QList<quint32>({value, value}));
}

void TestVolumeBar::clickAtTheLevelAlreadySetStillWritesAndUnmutes()
{
    fake->setValues(FakeMixer::VolumeId, {5240, 5240});
    fake->setValues(FakeMixer::MuteId, {1, 1});
    VolumeBar bar(progress, factory());
    putCursor(10, 0);
    bar.OnLeftButtonUp();

    const QList<FakeMixer::Call> written = fake->callsOf(Op::SetDetails);
    QCOMPARE(written.size(), 2);
    QCOMPARE(written[0].id, FakeMixer::MuteId);
    QCOMPARE(written[1].id, FakeMixer::VolumeId);
    QCOMPARE(written[1].values, QList<quint32>({5240, 5240}));
    QCOMPARE(fake->values(FakeMixer::MuteId), QList<quint32>({0, 0}));
}

void TestVolumeBar::releaseOutsideTheBarDoesNothing_data()
{
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");

    QTest::newRow("right edge") << 125 << 5;
    QTest::newRow("bottom edge") << 10 << 14;
    QTest::newRow("left of the bar") << -1 << 5;
    QTest::newRow("above the bar") << 10 << -1;
}

void TestVolumeBar::releaseOutsideTheBarDoesNothing()
{
    QFETCH(int, dx);
    QFETCH(int, dy);

    progress->setRange(0, 65535);
    progress->setValue(1234);
    fake->setValues(FakeMixer::MuteId, {1, 1});
    VolumeBar bar(progress, factory());
    putCursor(dx, dy);
    bar.OnLeftButtonUp();
    bar.OnOwnLeftButtonUp();

    QCOMPARE(constructed, 0);
    QVERIFY(fake->calls.isEmpty());
    QCOMPARE(progress->value(), 1234);
}

void TestVolumeBar::clickWithoutUsableControlStillMovesTheBar()
{
    fake->control(FakeMixer::VolumeId)->flags |= MIXERCONTROL_CONTROLF_DISABLED;
    fake->setValues(FakeMixer::VolumeId, {100, 100});
    fake->setValues(FakeMixer::MuteId, {1, 1});
    VolumeBar bar(progress, factory());
    putCursor(50, 5);
    bar.OnLeftButtonUp();

    QCOMPARE(progress->value(), 524 * 50);
    QCOMPARE(fake->values(FakeMixer::VolumeId), QList<quint32>({100, 100}));
    QCOMPARE(fake->values(FakeMixer::MuteId), QList<quint32>({0, 0}));

    // Without any mixer at all the bar moves just the same.
    fake->deviceCount = 0;
    putCursor(60, 5);
    bar.OnLeftButtonUp();
    QCOMPARE(progress->value(), 524 * 60);
}

void TestVolumeBar::releaseOnThePlayerWindowOnlyUnmutes()
{
    progress->setRange(0, 65535);
    progress->setValue(777);
    fake->setValues(FakeMixer::VolumeId, {300, 300});
    fake->setValues(FakeMixer::MuteId, {1, 1});
    VolumeBar bar(progress, factory());
    putCursor(70, 5);
    bar.OnOwnLeftButtonUp();

    QCOMPARE(constructed, 1);
    QCOMPARE(fake->values(FakeMixer::MuteId), QList<quint32>({0, 0}));
    QCOMPARE(fake->values(FakeMixer::VolumeId), QList<quint32>({300, 300}));
    QCOMPARE(progress->value(), 777);
    QVERIFY(fake->openHandles().isEmpty());
}

void TestVolumeBar::invalidateRepaintsTheBar()
{
    PaintCounter counter;
    progress->installEventFilter(&counter);
    VolumeBar bar(progress, factory());
    QCOMPARE(bar.bar(), progress);
    QCOMPARE(bar.invalidationCount(), 0);
    QCoreApplication::processEvents();
    counter.paints = 0;

    bar.Invalidate();
    QCOMPARE(bar.invalidationCount(), 1);
    QTRY_VERIFY(counter.paints > 0);
    QCOMPARE(constructed, 0);
}

QTEST_MAIN(TestVolumeBar)
#include "tst_volumebar.moc"
