// Reading a list file of 100,000 movies: parsing alone, from the disk, and
// the player window's LoadList into the playlist and the playlist window's
// list box, as at start-up.
#include "player/errorreporter.h"
#include "player/playerwindow.h"
#include "playlist/listfile.h"
#include "playlist/playlistwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <unistd.h>

namespace {

constexpr int Entries = 100000;

QByteArray listFileContents()
{
    QByteArray contents;
    for (int i = 0; i < Entries; ++i)
        contents += "/home/user/Movies/collection " + QByteArray::number(i % 97) +
                    "/movie number " + QByteArray::number(i) + ".swf\r\n";
    return contents;
}

class SilentReporter final : public ErrorReporter {
public:
    void ReportError(QWidget *, const QString &) override {}
};

// A start directory holding FlashList.ini with the 100,000 entries.
struct StartDirectory {
    StartDirectory()
    {
        QFile file(dir.filePath(QStringLiteral("FlashList.ini")));
        if (!file.open(QIODevice::WriteOnly) || file.write(listFileContents()) < 0)
            qFatal("cannot write the list file");
    }
    QByteArray path() const { return QFile::encodeName(dir.path()); }
    QTemporaryDir dir;
};

void ParseListFile(benchmark::State &state)
{
    const QByteArray contents = listFileContents();
    for (auto _ : state) {
        QByteArrayList entries = ListFile::parse(contents);
        benchmark::DoNotOptimize(entries);
    }
    state.SetBytesProcessed(state.iterations() * contents.size());
    state.SetItemsProcessed(state.iterations() * Entries);
}
BENCHMARK(ParseListFile)->Unit(benchmark::kMillisecond);

void ReadListFile(benchmark::State &state)
{
    const StartDirectory start;
    const ListFile file(start.path() + "/FlashList.ini");
    for (auto _ : state) {
        QByteArrayList entries;
        if (file.read(entries))
            state.SkipWithError("the list file could not be read");
        benchmark::DoNotOptimize(entries);
    }
    state.SetItemsProcessed(state.iterations() * Entries);
}
BENCHMARK(ReadListFile)->Unit(benchmark::kMillisecond);

// LoadList as the start-up sequence runs it: the playlist window exists and
// its list box is empty.
void LoadListIntoWindow(benchmark::State &state)
{
    const StartDirectory start;
    const QByteArray previous = QDir::currentPath().toLocal8Bit();
    if (::chdir(start.path().constData()) != 0)
        qFatal("cannot enter the start directory");
    PlayerServices services;
    services.errorReporter = std::make_shared<SilentReporter>();
    PlayerWindow window(std::move(services));
    if (::chdir(previous.constData()) != 0)
        qFatal("cannot return to the working directory");
    QListWidget *box = window.playlistWindow()->listBox();

    for (auto _ : state) {
        state.PauseTiming();
        box->clear();
        state.ResumeTiming();
        if (!window.LoadList())
            state.SkipWithError("LoadList failed");
    }
    if (box->count() != Entries)
        state.SkipWithError("the list box does not hold every entry");
    state.SetItemsProcessed(state.iterations() * Entries);
}
BENCHMARK(LoadListIntoWindow)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
