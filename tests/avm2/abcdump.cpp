// Prints the methods and classes of a movie's ABC blocks, for finding out
// what a corpus movie runs.
#include "swf/avm2/abcfile.h"
#include "swf/avm2/abcunit.h"
#include "swf/avm2/code.h"
#include "swf/avm2/vm.h"
#include "swf/model/scripttags.h"
#include "swf/movieloader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

using namespace swf;
using namespace swf::avm2;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    auto movie = loadMovieFile(argv[1]);
    if (!movie)
        return 1;
    QTextStream out(stdout);
    for (const auto &frame : (*movie)->timeline().frames) {
        for (const auto &tag : frame.tags) {
            if (tag->kind() != ControlKind::DoAbc)
                continue;
            if (argc >= 4 && QByteArray(argv[2]) == "--extract") {
                static int n = 0;
                QFile f(QString::fromLocal8Bit(argv[3]) + QStringLiteral("/%1-%2.abc")
                        .arg(QFileInfo(QString::fromLocal8Bit(argv[1])).baseName()).arg(n++));
                if (f.open(QIODevice::WriteOnly))
                    f.write(static_cast<const DoAbc &>(*tag).abc);
                continue;
            }
            auto abc = parseAbc(static_cast<const DoAbc &>(*tag).abc);
            if (!abc) {
                out << "bad abc: " << abc.error().message << '\n';
                continue;
            }
            if (argc >= 4 && QByteArray(argv[2]) == "--method") {
                const int want = QByteArray(argv[3]).toInt();
                Vm vm;
                AbcUnit unit(vm, *abc);
                const AbcMethod &m = unit.file.methods[size_t(want)];
                if (m.body < 0)
                    continue;
                VerifyFailure failure;
                auto code = decodeBody(unit, unit.file.bodies[size_t(m.body)], int(m.paramTypes.size()), failure);
                if (!code) {
                    out << "verify error " << failure.code << " " << failure.arg1 << " " << failure.arg2 << " len " << unit.file.bodies[size_t(m.body)].code.size() << '\n';
                    continue;
                }
                for (size_t k = 0; k < code->instrs.size(); ++k) {
                    const Instr &in = code->instrs[k];
                    out << k << ": " << Qt::hex << int(in.op) << Qt::dec << " " << in.a << " " << in.b;
                    if (in.a > 0 && size_t(in.a) < unit.names.size())
                        out << "  (" << unit.names[size_t(in.a)].name.name << ")";
                    out << '\n';
                }
                continue;
            }
            for (size_t i = 0; i < abc->methods.size(); ++i) {
                const AbcMethod &m = abc->methods[i];
                out << "method " << i << " " << abc->strings[m.name] << " params " << m.paramTypes.size()
                    << " optional " << m.optional.size() << " flags " << Qt::hex << m.flags << Qt::dec << '\n';
            }
            for (size_t i = 0; i < abc->instances.size(); ++i) {
                const auto &mn = abc->multinames[abc->instances[i].name];
                out << "class " << i << " " << abc->strings[mn.name] << " iinit " << abc->instances[i].iinit
                    << " cinit " << abc->classes[i].cinit << '\n';
                for (const auto &t : abc->instances[i].traits)
                    out << "  trait " << abc->strings[abc->multinames[t.name].name] << " kind " << int(t.kind)
                        << " slot " << t.slotId << " index " << t.index << '\n';
            }
        }
    }
    return 0;
}
