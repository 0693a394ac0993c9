// The volume bar in the player window, over the fake mixer: the start-up
// step, clicks delivered as real events through the window's
// pre-translation with the cursor placed where the user has it, and the
// window's own release.
#define QTEST_QPA_MOUSE_HANDLING
#include "fakemixer.h"
#include "playerharness.h"

#include "player/playerwindow.h"
#include "volume/mastervolume.h"
#include "volume/volumebar.h"

#include <QCursor>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

namespace {

using Op = FakeMixer::Op;

// The bar in the window is 125 pixels wide: clicks give steps of 524.
constexpr quint32 Step = 65535 / 125;

} // namespace

class PlayerVolumeTest final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void startUpUnmutesAndShowsTheVolumeBeforeThePlaylist();
    void startUpWithoutMixerShowsTheBarEmpty();
    void clickSetsTheValueEvenWhenUnchanged();
    void clickOnTheFirstPixelSetsZero();
    void theCursorDecidesNotTheMessage();
    void pressOnAButtonReleasedOverTheBar();
    void pressOnTheBarReleasedOutsideChangesNothing();
    void releaseOnTheWindowOverTheBarOnlyUnmutes();
    void withoutUsableVolumeControlTheBarStillMoves();

private:
    PlayerWindow *start();
    QProgressBar *bar() const { return h->control<QProgressBar>(Res::IDC_VOLUMEBAR); }
    // A point of the bar in window coordinates, and the cursor put on the
    // screen point of `windowPos`.
    QPoint barPoint(int dx, int dy) const;
    void putCursor(const QPoint &windowPos) const;
    void press(const QPoint &windowPos) const;
    void release(const QPoint &windowPos) const;
    int controllers() const { return int(h->journal.count(QStringLiteral("volume: controller"))); }

    std::unique_ptr<PlayerHarness> h;
    std::shared_ptr<FakeMixer> fake;
};

void PlayerVolumeTest::init()
{
    h = std::make_unique<PlayerHarness>();
    fake = std::make_shared<FakeMixer>();
    h->adjustServices = [this](PlayerServices &services) {
        services.masterVolumeFactory = [this] {
            h->journal.append(QStringLiteral("volume: controller"));
            return std::make_unique<MasterVolume>(fake);
        };
    };
}

PlayerWindow *PlayerVolumeTest::start()
{
    return h->start();
}

QPoint PlayerVolumeTest::barPoint(int dx, int dy) const
{
    return bar()->mapTo(h->window(), QPoint(dx, dy));
}

void PlayerVolumeTest::putCursor(const QPoint &windowPos) const
{
    const QPoint global = h->window()->mapToGlobal(windowPos);
    QCursor::setPos(global);
    QCOMPARE(QCursor::pos(), global);
}

void PlayerVolumeTest::press(const QPoint &windowPos) const
{
    QTest::mousePress(h->window()->windowHandle(), Qt::LeftButton, {}, windowPos);
}

void PlayerVolumeTest::release(const QPoint &windowPos) const
{
    QTest::mouseRelease(h->window()->windowHandle(), Qt::LeftButton, {}, windowPos);
}

void PlayerVolumeTest::startUpUnmutesAndShowsTheVolumeBeforeThePlaylist()
{
    fake->setValues(FakeMixer::VolumeId, {20000, 21000});
    fake->setValues(FakeMixer::MuteId, {1, 1});
    start();

    QCOMPARE(fake->values(FakeMixer::MuteId), QList<quint32>({0, 0}));
    QCOMPARE(bar()->minimum(), 0);
    QCOMPARE(bar()->maximum(), 65535);
    QCOMPARE(bar()->value(), 20000);
    QVERIFY(!bar()->isTextVisible());
    // Step 8: after the start-up movie, before the playlist window.
    const qsizetype volume = h->journal.indexOf(QStringLiteral("volume: controller"));
    QVERIFY(volume > h->journal.indexOf(QStringLiteral("movie: Play")));
    QVERIFY(volume < h->journal.indexOf(QStringLiteral("skin: own window FlashList")));
    QCOMPARE(controllers(), 1);
    QVERIFY(fake->openHandles().isEmpty());

    // Changes made elsewhere later do not move the bar.
    fake->changeControl(FakeMixer::VolumeId, {40000, 40000});
    QTest::qWait(20);
    QCOMPARE(bar()->value(), 20000);
}

void PlayerVolumeTest::startUpWithoutMixerShowsTheBarEmpty()
{
    fake->deviceCount = 0;
    PlayerWindow *window = start();
    QCOMPARE(bar()->value(), 0);
    QCOMPARE(bar()->maximum(), 65535);
    // The rest of the start-up went on.
    QVERIFY(window->playlistWindow());
}

void PlayerVolumeTest::clickSetsTheValueEvenWhenUnchanged()
{
    fake->setValues(FakeMixer::VolumeId, {Step * 10, Step * 10});
    start();
    fake->setValues(FakeMixer::MuteId, {1, 1});
    fake->calls.clear();

    putCursor(barPoint(10, 7));
    QTest::mouseClick(bar(), Qt::LeftButton, {}, QPoint(10, 7));

    QCOMPARE(bar()->value(), int(Step * 10));
    const QList<FakeMixer::Call> written = fake->callsOf(Op::SetDetails);
    QCOMPARE(written.size(), 2);
    QCOMPARE(written[0].id, FakeMixer::MuteId);
    QCOMPARE(written[1].id, FakeMixer::VolumeId);
    QCOMPARE(written[1].values, QList<quint32>({Step * 10, Step * 10}));
    QCOMPARE(fake->values(FakeMixer::MuteId), QList<quint32>({0, 0}));
    // One controller for the click, released at once; the bar's own release
    // is no release on the window.
    QCOMPARE(controllers(), 2);
    QVERIFY(fake->openHandles().isEmpty());
}

void PlayerVolumeTest::clickOnTheFirstPixelSetsZero()
{
    fake->setValues(FakeMixer::VolumeId, {30000, 30000});
    start();
    putCursor(barPoint(0, 0));
    QTest::mouseClick(bar(), Qt::LeftButton, {}, QPoint(0, 0));
    QCOMPARE(bar()->value(), 0);
    QCOMPARE(fake->values(FakeMixer::VolumeId), QList<quint32>({0, 0}));

    // The last pixel stays short of the maximum.
    putCursor(barPoint(124, 13));
    QTest::mouseClick(bar(), Qt::LeftButton, {}, QPoint(124, 13));
    QCOMPARE(bar()->value(), int(Step * 124));
}

// The cursor's place when the release is handled counts, not the place the
// release event carries.
void PlayerVolumeTest::theCursorDecidesNotTheMessage()
{
    start();
    fake->calls.clear();
    press(barPoint(20, 5));
    putCursor(barPoint(-30, 5));
    release(barPoint(20, 5));
    QVERIFY(fake->callsOf(Op::SetDetails).isEmpty());

    press(barPoint(20, 5));
    putCursor(barPoint(40, 5));
    release(barPoint(-30, 5));
    QCOMPARE(bar()->value(), int(Step * 40));
    QCOMPARE(fake->values(FakeMixer::VolumeId), QList<quint32>({Step * 40, Step * 40}));
}

void PlayerVolumeTest::pressOnAButtonReleasedOverTheBar()
{
    start();
    auto *stop = h->control<QPushButton>(Res::IDC_STOP);
    QSignalSpy clicked(stop, &QPushButton::clicked);
    const qsizetype mark = h->journal.size();

    const QPoint onButton = stop->geometry().center();
    putCursor(onButton);
    press(onButton);
    putCursor(barPoint(30, 5));
    release(barPoint(30, 5));

    QCOMPARE(clicked.count(), 0);
    QVERIFY(!h->journal.mid(mark).contains(QStringLiteral("movie: Stop")));
    QCOMPARE(bar()->value(), int(Step * 30));
    QCOMPARE(fake->values(FakeMixer::VolumeId), QList<quint32>({Step * 30, Step * 30}));
}

void PlayerVolumeTest::pressOnTheBarReleasedOutsideChangesNothing()
{
    fake->setValues(FakeMixer::VolumeId, {7000, 7000});
    start();
    fake->setValues(FakeMixer::MuteId, {1, 1});
    fake->calls.clear();
    const int before = controllers();

    putCursor(barPoint(30, 5));
    press(barPoint(30, 5));
    const QPoint outside = h->control<QLabel>(Res::IDC_PATHLINE)->geometry().center();
    putCursor(outside);
    release(outside);

    QCOMPARE(controllers(), before);
    QVERIFY(fake->calls.isEmpty());
    QCOMPARE(bar()->value(), 7000);
    QCOMPARE(fake->values(FakeMixer::MuteId), QList<quint32>({1, 1}));
}

// A release on the window's own surface (here the path line, a static
// control) with the cursor over the bar: the pre-translation sets the
// volume, then the window's own handler switches the output on once more.
void PlayerVolumeTest::releaseOnTheWindowOverTheBarOnlyUnmutes()
{
    start();
    const QPoint onPathLine = h->control<QLabel>(Res::IDC_PATHLINE)->geometry().center();
    putCursor(onPathLine);
    press(onPathLine);
    fake->calls.clear();
    const int before = controllers();
    putCursor(barPoint(50, 5));
    release(onPathLine);

    QCOMPARE(controllers(), before + 2);
    QCOMPARE(bar()->value(), int(Step * 50));
    // Click: unmute and set; own release: unmute only.
    const QList<FakeMixer::Call> written = fake->callsOf(Op::SetDetails);
    QCOMPARE(written.size(), 3);
    QCOMPARE(written[2].id, FakeMixer::MuteId);
}

void PlayerVolumeTest::withoutUsableVolumeControlTheBarStillMoves()
{
    fake->control(FakeMixer::VolumeId)->flags |= MIXERCONTROL_CONTROLF_DISABLED;
    fake->setValues(FakeMixer::VolumeId, {100, 100});
    fake->setValues(FakeMixer::MuteId, {1, 1});
    start();
    // Start-up: no volume to show, the output is switched on all the same.
    QCOMPARE(bar()->value(), 0);
    QCOMPARE(fake->values(FakeMixer::MuteId), QList<quint32>({0, 0}));

    putCursor(barPoint(60, 5));
    QTest::mouseClick(bar(), Qt::LeftButton, {}, QPoint(60, 5));
    QCOMPARE(bar()->value(), int(Step * 60));
    QCOMPARE(fake->values(FakeMixer::VolumeId), QList<quint32>({100, 100}));
}

QTEST_MAIN(PlayerVolumeTest)
#include "tst_playervolume.moc"
