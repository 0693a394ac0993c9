// Action records (the ActionScript 1/2 bytecode of DoAction, DoInitAction,
// button and clip actions), assembled with labels for the branches.
//
//   swfwriter::ActionWriter a;
//   a.push({swfwriter::ActionWriter::string("x"), 1}).op(swf::avm1::op::SetVariable);
//   w.rawTag(swf::TagCode::DoAction, a.finish());
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <variant>
#include <vector>

namespace swfwriter {

class ActionWriter {
public:
    struct Register {
        quint8 index;
    };
    struct Undefined {};
    struct Null {};
    // What Push can carry; an int is written as a 32-bit integer, a double
    // as a double, a QString as a string.
    using Value = std::variant<QString, int, double, bool, Register, Undefined, Null>;
    using Label = int;

    static Value string(const char *text) { return QString::fromUtf8(text); }

    ActionWriter &op(quint8 code);
    ActionWriter &push(std::initializer_list<Value> values);
    ActionWriter &storeRegister(quint8 index);
    Label label(); // a new label, not yet placed
    ActionWriter &place(Label label);
    ActionWriter &jump(Label to);   // ActionJump
    ActionWriter &jumpIf(Label to); // ActionIf: pops a condition
    // DefineFunction2 with `body` as its code; parameters go to registers
    // 1…n, the rest of `registers` are the function's own.
    ActionWriter &defineFunction2(const QString &name, const QStringList &params, quint8 registers,
                                  const ActionWriter &body);

    // The records with the end action; branches resolved.
    QByteArray finish() const;
    // The records without the end action, for a function's body.
    QByteArray code() const;

private:
    void record(quint8 code, const QByteArray &payload);

    QByteArray m_bytes;
    std::vector<int> m_labels; // offsets, -1 while unplaced
    struct Branch {
        int field; // offset of the 16-bit displacement
        int after; // offset just after the record
        Label to;
    };
    std::vector<Branch> m_branches;
};

} // namespace swfwriter
