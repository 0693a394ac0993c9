// The file finder over a generated tree of 100,000 files in 5,000 folders,
// against `find ROOT -iname '*.swf'` on the same tree. Both produce the list
// of matching paths; both are timed by the wall clock, since the external
// command's work is not the benchmark process's CPU time.
#include "fs/filefinder.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kTopFolders = 50;
constexpr int kFoldersPerTop = 99; // 50 + 50 * 99 = 5,000 folders
constexpr int kFilesPerFolder = 20; // 100,000 files

QByteArray g_root;
qsizetype g_expected = 0;

bool makeFiles(const QByteArray &folder)
{
    for (int i = 0; i < kFilesPerFolder; ++i) {
        // Three in four match, in mixed letter case.
        const char *extension = i % 4 == 3 ? ".txt" : i % 4 == 2 ? ".SWF" : ".swf";
        const QByteArray path = folder + "Movie " + QByteArray::number(i) + extension;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
        if (i % 4 != 3)
            ++g_expected;
    }
    return true;
}

bool makeTree(const QByteArray &root)
{
    for (int top = 0; top < kTopFolders; ++top) {
        const QByteArray topFolder = root + "Folder " + QByteArray::number(top) + '/';
        if (::mkdir(topFolder.constData(), 0755) != 0 || !makeFiles(topFolder))
            return false;
        for (int sub = 0; sub < kFoldersPerTop; ++sub) {
            const QByteArray folder = topFolder + "sub" + QByteArray::number(sub) + '/';
            if (::mkdir(folder.constData(), 0755) != 0 || !makeFiles(folder))
                return false;
        }
    }
    return true;
}

void BM_FileFinder(benchmark::State &state)
{
    qsizetype found = 0;
    for (auto _ : state) {
        FileFinder finder;
        if (!finder.SetRoot(g_root)) {
            state.SkipWithError("cannot enter the tree");
            return;
        }
        finder.Search("*.swf");
        found = finder.foundFiles.size();
        benchmark::DoNotOptimize(finder.foundFiles.data());
    }
    state.counters["found"] = double(found);
    if (found != g_expected)
        state.SkipWithError("wrong number of files found");
}

void BM_FindCommand(benchmark::State &state)
{
    const QByteArray command = "find '" + g_root + "' -iname '*.swf'";
    qsizetype found = 0;
    char buffer[65536];
    for (auto _ : state) {
        FILE *pipe = ::popen(command.constData(), "r");
        if (!pipe) {
            state.SkipWithError("cannot run find");
            return;
        }
        found = 0;
        size_t read = 0;
        while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            for (size_t i = 0; i < read; ++i)
                found += buffer[i] == '\n';
        }
        ::pclose(pipe);
    }
    state.counters["found"] = double(found);
    if (found != g_expected)
        state.SkipWithError("wrong number of files found");
}

BENCHMARK(BM_FileFinder)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FindCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir temp;
    if (!temp.isValid())
        return 1;
    g_root = QFile::encodeName(QDir(temp.path()).canonicalPath()) + '/';
    if (!makeTree(g_root)) {
        std::fprintf(stderr, "cannot make the tree under %s\n", g_root.constData());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The walk leaves the working directory inside the tree; leave it before
    // the tree is removed.
    return ::chdir("/") == 0 ? 0 : 1;
}
