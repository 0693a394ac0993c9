// MasterVolume against the fake mixer: which calls it makes and with what,
// the three states it can end in, the -1 convention, what Enable and
// Disable write, and where change notifications go.
#include "fakemixer.h"
#include "volume/mastervolume.h"

#include <QCoreApplication>
#include <QTest>

#include <memory>

namespace {

using Op = FakeMixer::Op;
constexpr quint32 None = MasterVolume::NoValue;

struct Notification {
    quint32 value;
    quint32 data;
    bool operator==(const Notification &) const = default;
};

QList<Notification> received;

void recordChange(quint32 value, quint32 data)
{
    received.append({value, data});
}

void deliverNotifications()
{
    QCoreApplication::sendPostedEvents();
}

// Everything the controller wrote with mixerSetControlDetails.
QList<FakeMixer::Call> writes(const FakeMixer &fake)
{
    return fake.callsOf(Op::SetDetails);
}

// A controller whose volume reads come from elsewhere, to show that a
// notification reads it through the virtual operation.
class OverriddenVolume final : public MasterVolume {
public:
    using MasterVolume::MasterVolume;
    quint32 GetVolume() const override { return 4242; }
};

} // namespace

QT_BEGIN_NAMESPACE
namespace QTest {
template <> char *toString(const Notification &n)
{
    return qstrdup(
        QByteArray("(" + QByteArray::number(n.value) + ", " + QByteArray::number(n.data) + ")")
            .constData());
}
} // namespace QTest
QT_END_NAMESPACE

class TestMasterVolume : public QObject {
    Q_OBJECT

private slots:
    void init();
    void opensTheMixerOfTheWaveMapper();
    void unavailable_data();
    void unavailable();
    void failedLineClearsAnEarlierTarget();
    void disabledVolumeControlStillSwitchesTheLine();
    void lineWithoutVolumeControl();
    void setVolumeHonoursTheBounds_data();
    void setVolumeHonoursTheBounds();
    void channelsAtDifferentLevels();
    void failedReadGivesNoValue();
    void lineWithoutChannelsHasNoVolume();
    void enableAndDisableWriteEveryItem();
    void enableGivesUpOnAFailedLineQuery();
    void enableSkipsAControlItCannotHold();
    void notificationsCallTheCallback();
    void notificationReadsThroughTheVirtualGetVolume();
    void notificationsGoToTheLastController();
    void notificationsGoNowhereAfterAFailedLine();
    void destructionClosesAndLeavesNoTarget();
};

void TestMasterVolume::init()
{
    received.clear();
    QCOMPARE(MasterVolume::NotifyTarget(), nullptr);
}

void TestMasterVolume::opensTheMixerOfTheWaveMapper()
{
    auto fake = std::make_shared<FakeMixer>();
    fake->mixerIdOfWaveOut = 0;
    MasterVolume volume(fake);

    QCOMPARE(
        fake->callNames(),
        QByteArrayList({"mixerGetNumDevs", "waveOutOpen", "mixerGetID", "waveOutClose", "mixerOpen",
                        "mixerGetLineInfoA(componentType)", "mixerGetLineControlsA(oneByType)"}));
    QCOMPARE(fake->lastWaveDevice, WAVE_MAPPER);
    const WAVEFORMATEX &f = fake->lastWaveFormat;
    QCOMPARE(f.wFormatTag, WAVE_FORMAT_PCM);
    QCOMPARE(f.nChannels, 1);
    QCOMPARE(f.nSamplesPerSec, 22050u);
    QCOMPARE(f.nAvgBytesPerSec, 44100u);
    QCOMPARE(f.nBlockAlign, 2);
    QCOMPARE(f.wBitsPerSample, 16);
    QCOMPARE(f.cbSize, 0);
    QCOMPARE(fake->openWaveOuts(), 0);
    QCOMPARE(fake->lastOpenFlags, CALLBACK_WINDOW);
    QCOMPARE(fake->openHandles().size(), 1);
    MixerNotifyWindow *window = fake->window(fake->openHandles().first());
    QVERIFY(window);
    QCOMPARE(window->objectName(), QStringLiteral("Master Output Volume Msg Wnd"));

    QVERIFY(volume.IsAvailable());
    QCOMPARE(volume.GetMinimum(), 0u);
    QCOMPARE(volume.GetMaximum(), 65535u);
    QCOMPARE(volume.GetStepCount(), 65535u);
    QCOMPARE(MasterVolume::NotifyTarget(), &volume);
}

void TestMasterVolume::unavailable_data()
{
    QTest::addColumn<Op>("failing");
    QTest::addColumn<bool>("noDevice");
    QTest::addColumn<bool>("noLine");
    QTest::addColumn<int>("closes");

    QTest::newRow("no mixer device") << Op::GetNumDevs << true << false << 0;
    QTest::newRow("wave mapper refuses") << Op::WaveOutOpen << false << false << 0;
    QTest::newRow("no mixer for the wave device") << Op::GetID << false << false << 0;
    QTest::newRow("mixer cannot be opened") << Op::Open << false << false << 0;
    QTest::newRow("no speaker line") << Op::GetNumDevs << false << true << 1;
}

void TestMasterVolume::unavailable()
{
    QFETCH(Op, failing);
    QFETCH(bool, noDevice);
    QFETCH(bool, noLine);
    QFETCH(int, closes);

    auto fake = std::make_shared<FakeMixer>();
    fake->setValues(FakeMixer::MuteId, {1, 1});
    if (noDevice)
        fake->deviceCount = 0;
    else if (noLine)
        fake->line->componentType = 5; // a headphone destination, no speakers
    else
        fake->fail(failing);

    MasterVolume volume(fake);
    QVERIFY(!volume.IsAvailable());
    QCOMPARE(volume.GetStepCount(), None);
    QCOMPARE(volume.GetMinimum(), None);
    QCOMPARE(volume.GetMaximum(), None);
    QCOMPARE(volume.GetVolume(), None);
    volume.SetVolume(100);
    volume.Enable();
    volume.Disable();
    QVERIFY(writes(*fake).isEmpty());
    QCOMPARE(fake->values(FakeMixer::MuteId), QList<quint32>({1, 1}));

    QCOMPARE(MasterVolume::NotifyTarget(), nullptr);
    QCOMPARE(fake->openWaveOuts(), 0);
    QVERIFY(fake->openHandles().isEmpty());
    QCOMPARE(fake->callsOf(Op::Close).size(), closes);
}

void TestMasterVolume::failedLineClearsAnEarlierTarget()
{
    auto fake = std::make_shared<FakeMixer>();
    MasterVolume first(fake);
    QCOMPARE(MasterVolume::NotifyTarget(), &first);

    // A controller that cannot even open leaves the target alone.
    auto noDevice = std::make_shared<FakeMixer>();
    noDevice->deviceCount = 0;
    {
        MasterVolume unopened(noDevice);
        QCOMPARE(MasterVolume::NotifyTarget(), &first);
    }
    QCOMPARE(MasterVolume::NotifyTarget(), &first);

    auto withoutLine = std::make_shared<FakeMixer>();
    withoutLine->line.reset();
    {
        MasterVolume second(withoutLine);
        QCOMPARE(MasterVolume::NotifyTarget(), nullptr);
    }
    QCOMPARE(MasterVolume::NotifyTarget(), nullptr);
    QVERIFY(first.IsAvailable());
}

void TestMasterVolume::disabledVolumeControlStillSwitchesTheLine()
{
    auto fake = std::make_shared<FakeMixer>();
    fake->control(FakeMixer::VolumeId)->flags |= MIXERCONTROL_CONTROLF_DISABLED;
    fake->setValues(FakeMixer::VolumeId, {300, 300});
    fake->setValues(FakeMixer::MuteId, {1});
    MasterVolume volume(fake);

    QVERIFY(!volume.IsAvailable());
    QCOMPARE(volume.GetVolume(), None);
    QCOMPARE(volume.GetMaximum(), None);
    volume.SetVolume(500);
    QCOMPARE(fake->values(FakeMixer::VolumeId), QList<quint32>({300, 300}));

    volume.Enable();
    QCOMPARE(fake->values(FakeMixer::MuteId), QList<quint32>({0, 0}));
    QCOMPARE(writes(*fake).size(), 1);
    QCOMPARE(writes(*fake).first().id, FakeMixer::MuteId);
}

void TestMasterVolume::lineWithoutVolumeControl()
{
    auto fake = std::make_shared<FakeMixer>();
    fake->line->controls.removeFirst();
    fake->setValues(FakeMixer::MuteId, {0});
    MasterVolume volume(fake);

    QVERIFY(!volume.IsAvailable());
    QCOMPARE(volume.GetStepCount(), None);
    QCOMPARE(MasterVolume::NotifyTarget(), &volume);
    volume.Disable();
    QCOMPARE(fake->values(FakeMixer::MuteId), QList<quint32>({1, 1}));
}

void TestMasterVolume::setVolumeHonoursTheBounds_data()
{
    QTest::addColumn<quint32>("minimum");
    QTest::addColumn<quint32>("maximum");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<bool>("takesEffect");

    QTest::newRow("0 of 0..65535") << 0u << 65535u << 0u << true;
    QTest::newRow("65535 of 0..65535") << 0u << 65535u << 65535u << true;
    QTest::newRow("65536 of 0..65535") << 0u << 65535u << 65536u << false;
    QTest::newRow("all ones of 0..65535") << 0u << 65535u << None << false;
    QTest::newRow("below 100..200") << 100u << 200u << 99u << false;
    QTest::newRow("minimum of 100..200") << 100u << 200u << 100u << true;
    QTest::newRow("above 100..200") << 100u << 200u << 201u << false;
}

void TestMasterVolume::setVolumeHonoursTheBounds()
{
    QFETCH(quint32, minimum);
    QFETCH(quint32, maximum);
    QFETCH(quint32, value);
    QFETCH(bool, takesEffect);

    auto fake = std::make_shared<FakeMixer>();
    fake->control(FakeMixer::VolumeId)->minimum = minimum;
    fake->control(FakeMixer::VolumeId)->maximum = maximum;
    fake->setValues(FakeMixer::VolumeId, {150, 150});
    MasterVolume volume(fake);
    volume.SetVolume(value);

    const QList<quint32> expected =
        takesEffect ? QList<quint32>{value, value} : QList<quint32>{150, 150};
    QCOMPARE(fake->values(FakeMixer::VolumeId), expected);
    QCOMPARE(writes(*fake).size(), takesEffect ? 1 : 0);
}

void TestMasterVolume::channelsAtDifferentLevels()
{
    auto fake = std::make_shared<FakeMixer>();
    fake->setValues(FakeMixer::VolumeId, {1000, 2000});
    MasterVolume volume(fake);

    QCOMPARE(volume.GetVolume(), 1000u);
    const FakeMixer::Call read = fake->callsOf(Op::GetDetails).last();
    QCOMPARE(read.channels, 2u);
    QCOMPARE(read.items, 0u);

    volume.SetVolume(3000);
    QCOMPARE(writes(*fake).size(), 1);
    QCOMPARE(writes(*fake).first().channels, 2u);
    QCOMPARE(writes(*fake).first().values, QList<quint32>({3000, 3000}));
    QCOMPARE(fake->values(FakeMixer::VolumeId), QList<quint32>({3000, 3000}));
}

void TestMasterVolume::failedReadGivesNoValue()
{
    auto fake = std::make_shared<FakeMixer>();
    fake->setValues(FakeMixer::VolumeId, {1000, 1000});
    MasterVolume volume(fake);
    fake->fail(Op::GetDetails);
    QCOMPARE(volume.GetVolume(), None);
    fake->succeed(Op::GetDetails);
    QCOMPARE(volume.GetVolume(), 1000u);
}

// A driver that reports a line without channels must not make the
// controller read past an empty array.
void TestMasterVolume::lineWithoutChannelsHasNoVolume()
{
    auto fake = std::make_shared<FakeMixer>();
    fake->line->channels = 0;
    MasterVolume volume(fake);
    QCOMPARE(volume.GetVolume(), None);
    volume.SetVolume(10);
    QVERIFY(writes(*fake).isEmpty());
}

void TestMasterVolume::enableAndDisableWriteEveryItem()
{
    auto fake = std::make_shared<FakeMixer>();
    fake->setValues(FakeMixer::VolumeId, {700, 700});
    fake->setValues(FakeMixer::MuteId, {1});
    fake->line->controls.append(FakeMixer::muxControl(3, 3));
    FakeMixer::Control single = FakeMixer::muxControl(4, 2, MIXERCONTROL_CONTROLF_UNIFORM);
    single.type = MIXERCONTROL_CONTROLTYPE_SINGLESELECT;
    fake->line->controls.append(single);
    FakeMixer::Control multiple = FakeMixer::muxControl(5, 2);
    multiple.type = MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT;
    fake->line->controls.append(multiple);
    FakeMixer::Control mixer = FakeMixer::muxControl(6, 1);
    mixer.type = MIXERCONTROL_CONTROLTYPE_MIXER;
    fake->line->controls.append(mixer);
    FakeMixer::Control bass;
    bass.id = 7;
    bass.type = 0x50030002; // a fader of another kind: left alone
    fake->line->controls.append(bass);
    MasterVolume volume(fake);

    volume.Enable();
    QCOMPARE(fake->callsOf(Op::LineInfoById).size(), 1);
    QCOMPARE(fake->callsOf(Op::LineInfoById).first().id, fake->line->id);
    QList<FakeMixer::Call> written = writes(*fake);
    QCOMPARE(written.size(), 5);
    QCOMPARE(written[0].id, FakeMixer::MuteId);
    QCOMPARE(written[0].channels, 1u);
    QCOMPARE(written[0].values, QList<quint32>({0}));
    QCOMPARE(written[1].id, 3u);
    QCOMPARE(written[1].channels, 2u);
    QCOMPARE(written[1].items, 3u);
    QCOMPARE(written[1].values, QList<quint32>(6, 1));
    QCOMPARE(written[2].values, QList<quint32>(2, 1)); // uniform: one channel, two items
    QCOMPARE(written[3].values, QList<quint32>(4, 1));
    QCOMPARE(written[4].values, QList<quint32>(2, 1));
    QCOMPARE(fake->values(FakeMixer::VolumeId), QList<quint32>({700, 700}));

    fake->calls.clear();
    volume.Disable();
    written = writes(*fake);
    QCOMPARE(written.size(), 5);
    QCOMPARE(written[0].values, QList<quint32>({1}));
    QCOMPARE(written[1].values, QList<quint32>(6, 0));
    QCOMPARE(fake->values(3), QList<quint32>(6, 0));
    QCOMPARE(fake->values(FakeMixer::MuteId), QList<quint32>({1, 1}));
}

void TestMasterVolume::enableGivesUpOnAFailedLineQuery()
{
    for (Op failing : {Op::LineInfoById, Op::ControlsAll}) {
        auto fake = std::make_shared<FakeMixer>();
        fake->setValues(FakeMixer::MuteId, {1});
        MasterVolume volume(fake);
        fake->fail(failing);
        volume.Enable();
        QVERIFY2(writes(*fake).isEmpty(), FakeMixer::name(failing).constData());
    }
}

// A control whose item count no real mixer has (a driver fault) is
// skipped like a failed allocation; the other controls are still written.
void TestMasterVolume::enableSkipsAControlItCannotHold()
{
    auto fake = std::make_shared<FakeMixer>();
    fake->line->controls.prepend(FakeMixer::muxControl(9, 0xFFFFFFFF));
    fake->setValues(FakeMixer::MuteId, {1});
    MasterVolume volume(fake);
    volume.Enable();
    QCOMPARE(writes(*fake).size(), 1);
    QCOMPARE(fake->values(FakeMixer::MuteId), QList<quint32>({0, 0}));
}

void TestMasterVolume::notificationsCallTheCallback()
{
    auto fake = std::make_shared<FakeMixer>();
    MasterVolume volume(fake);
    volume.SetChangeCallback(&recordChange, 77);

    fake->changeControl(FakeMixer::VolumeId, {500, 600});
    QVERIFY(received.isEmpty()); // delivered from the event loop, not at once
    deliverNotifications();
    QCOMPARE(received, QList<Notification>({{500, 77}}));

    received.clear();
    fake->changeControl(FakeMixer::MuteId, {1});
    deliverNotifications();
    QVERIFY(received.isEmpty());

    fake->fail(Op::GetDetails);
    fake->changeControl(FakeMixer::VolumeId, {800, 800});
    deliverNotifications();
    QVERIFY(received.isEmpty());
    fake->succeed(Op::GetDetails);

    volume.SetChangeCallback(&recordChange, 78);
    fake->changeControl(FakeMixer::VolumeId, {900, 900});
    deliverNotifications();
    QCOMPARE(received, QList<Notification>({{900, 78}}));

    received.clear();
    volume.SetChangeCallback(nullptr, 0);
    fake->changeControl(FakeMixer::VolumeId, {1000, 1000});
    deliverNotifications();
    QVERIFY(received.isEmpty());
}

void TestMasterVolume::notificationReadsThroughTheVirtualGetVolume()
{
    auto fake = std::make_shared<FakeMixer>();
    OverriddenVolume volume(fake);
    volume.SetChangeCallback(&recordChange, 1);
    fake->changeControl(FakeMixer::VolumeId, {5, 5});
    deliverNotifications();
    QCOMPARE(received, QList<Notification>({{4242, 1}}));
}

void TestMasterVolume::notificationsGoToTheLastController()
{
    auto fake = std::make_shared<FakeMixer>();
    MasterVolume first(fake);
    first.SetChangeCallback(&recordChange, 1);
    MasterVolume second(fake);
    second.SetChangeCallback(&recordChange, 2);
    const QList<HMIXER> handles = fake->openHandles();
    QCOMPARE(handles.size(), 2);
    fake->setValues(FakeMixer::VolumeId, {40, 40});

    for (HMIXER handle : handles)
        fake->postControlChange(handle, FakeMixer::VolumeId);
    deliverNotifications();
    QCOMPARE(received, QList<Notification>({{40, 2}, {40, 2}}));
}

void TestMasterVolume::notificationsGoNowhereAfterAFailedLine()
{
    auto fake = std::make_shared<FakeMixer>();
    MasterVolume first(fake);
    first.SetChangeCallback(&recordChange, 1);
    const HMIXER firstHandle = fake->openHandles().first();

    const auto line = fake->line;
    fake->line.reset();
    MasterVolume second(fake);
    second.SetChangeCallback(&recordChange, 2);
    fake->line = line;

    fake->postControlChange(firstHandle, FakeMixer::VolumeId);
    fake->changeControl(FakeMixer::VolumeId, {10, 10});
    deliverNotifications();
    QVERIFY(received.isEmpty());
}

void TestMasterVolume::destructionClosesAndLeavesNoTarget()
{
    auto fake = std::make_shared<FakeMixer>();
    QPointer<MixerNotifyWindow> window;
    {
        MasterVolume volume(fake);
        volume.SetChangeCallback(&recordChange, 1);
        window = fake->window(fake->openHandles().first());
        QVERIFY(window);
        // A notification still queued when the controller goes must not
        // reach it afterwards.
        fake->changeControl(FakeMixer::VolumeId, {3, 3});
    }
    QVERIFY(!window);
    QVERIFY(fake->openHandles().isEmpty());
    QCOMPARE(fake->callsOf(Op::Close).size(), 1);
    QCOMPARE(MasterVolume::NotifyTarget(), nullptr);
    deliverNotifications();
    QVERIFY(received.isEmpty());
}

QTEST_GUILESS_MAIN(TestMasterVolume)
#include "tst_mastervolume.moc"
