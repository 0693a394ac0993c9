// A small ABC assembler for tests and benchmarks: pools, methods with
// bodies and labels, one script. Enough to state a program in bytecode
// where no compiler is at hand.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <deque>
#include <vector>

namespace avm2test {

class AbcAssembler {
public:
    AbcAssembler();

    int string(const QString &s);
    int packageNs(const QString &uri = QString()); // public namespace
    int qname(const QString &name, int ns = -1);   // in the public namespace by default
    int multinameL();                              // [public]::(runtime name)
    int intConst(qint32 v);
    int doubleConst(double v);

    // A method body under construction. Branch targets are labels bound
    // later; offsets are fixed up by finish().
    class Body {
    public:
        Body &op(quint8 opcode);
        Body &u8(quint8 v);
        Body &u30(quint32 v);
        Body &op(quint8 opcode, quint32 operand) { return op(opcode).u30(operand); }
        Body &op(quint8 opcode, quint32 a, quint32 b) { return op(opcode).u30(a).u30(b); }
        int newLabel();
        Body &bind(int label);
        Body &branch(quint8 opcode, int label);
        int offset() const { return int(code.size()); }
        // try range [from, to) with its handler; type 0 catches anything.
        void addHandler(int fromLabel, int toLabel, int targetLabel, int type = 0);

        int maxStack = 8, locals = 1, initScope = 0, maxScope = 4;
        QByteArray code;

    private:
        friend class AbcAssembler;
        std::vector<int> labels;
        std::vector<std::pair<int, int>> fixups; // code offset of the s24, label
        struct Try {
            int from, to, target, type;
        };
        std::vector<Try> handlers;
    };

    // A method with `params` untyped parameters; returns its index.
    int method(int params = 0);
    Body &body(int method);
    // The script: its init method and a list of (name, method) function
    // traits of the global object.
    void setScriptInit(int method) { m_scriptInit = method; }

    QByteArray finish() const;

private:
    std::vector<qint32> m_ints{0};
    std::vector<double> m_doubles{0};
    std::vector<QString> m_strings{QString()};
    QHash<QString, int> m_stringIndex;
    std::vector<std::pair<quint8, int>> m_namespaces{{0, 0}};
    std::vector<QByteArray> m_multinames{QByteArray()};
    std::vector<int> m_methodParams;
    std::deque<std::pair<int, Body>> m_bodies; // bodies stay put while more are added
    int m_nsSetPublic = 0;
    int m_scriptInit = -1;
};

} // namespace avm2test
