#include "swf/avm1/actions.h"

#include "swf/io/reader.h"

#include <algorithm>
#include <cstring>

namespace swf::avm1 {

namespace {

// One action record as found in the bytes.
struct Record {
    qint64 offset = 0;
    qint64 next = 0; // offset of the record after it
    quint8 code = 0;
    QByteArrayView payload;
};

class Decoder {
public:
    Decoder(QByteArrayView bytes, int version) : m_bytes(bytes), m_version(version) {}

    std::shared_ptr<const ActionProgram> decode();

private:
    void scan();
    // The op starting at `offset`; the final End for the end of the block
    // and for offsets inside an action or outside the block.
    int opAt(qint64 offset);
    // The first op at or after `offset` (a block's end).
    int opFrom(qint64 offset) const;
    StrRef text(const QByteArray &bytes) const { return StrRef(decodeText(bytes, m_version)); }
    int addString(const QByteArray &bytes);
    void decodeRecord(int index, Operation &op);
    void decodePush(const Record &record, Operation &op);
    void decodeFunction(const Record &record, Operation &op, bool version2);
    void decodeTry(const Record &record, Operation &op);
    void markPairs();

    QByteArrayView m_bytes;
    int m_version;
    std::vector<Record> m_records;
    std::shared_ptr<ActionProgram> m_program = std::make_shared<ActionProgram>();
};

void Decoder::scan()
{
    qint64 pos = 0;
    while (pos < m_bytes.size()) {
        Record record;
        record.offset = pos;
        record.code = quint8(m_bytes[pos]);
        ++pos;
        if (record.code >= 0x80) {
            if (pos + 2 > m_bytes.size()) {
                m_program->damaged = true;
                break;
            }
            const qint64 length = quint8(m_bytes[pos]) | (quint8(m_bytes[pos + 1]) << 8);
            pos += 2;
            if (pos + length > m_bytes.size()) {
                m_program->damaged = true;
                break;
            }
            record.payload = m_bytes.sliced(pos, length);
            pos += length;
        }
        record.next = pos;
        m_records.push_back(record);
    }
}

int Decoder::opAt(qint64 offset)
{
    const auto it = std::lower_bound(m_records.begin(), m_records.end(), offset,
                                     [](const Record &r, qint64 o) { return r.offset < o; });
    if (it != m_records.end() && it->offset == offset)
        return int(it - m_records.begin());
    if (offset != (m_records.empty() ? 0 : m_records.back().next))
        m_program->damaged = true;
    return int(m_records.size());
}

int Decoder::opFrom(qint64 offset) const
{
    const auto it = std::lower_bound(m_records.begin(), m_records.end(), offset,
                                     [](const Record &r, qint64 o) { return r.offset < o; });
    return int(it - m_records.begin());
}

int Decoder::addString(const QByteArray &bytes)
{
    m_program->strings.push_back(text(bytes));
    return int(m_program->strings.size()) - 1;
}

std::shared_ptr<const ActionProgram> Decoder::decode()
{
    scan();
    m_program->ops.resize(m_records.size() + 1);
    for (int i = 0; i < int(m_records.size()); ++i) {
        Operation &op = m_program->ops[size_t(i)];
        op.code = m_records[size_t(i)].code;
        decodeRecord(i, op);
    }
    m_program->ops.back().code = Op::End;
    markPairs();
    return m_program;
}

void Decoder::markPairs()
{
    std::vector<Operation> &ops = m_program->ops;
    // Every op something can begin at other than by running the one
    // before it: jump and skip targets, and the edges of functions, with
    // and try blocks.
    std::vector<bool> entered(ops.size() + 1, false);
    const auto enter = [&](qint64 op) {
        if (op >= 0 && op < qint64(entered.size()))
            entered[size_t(op)] = true;
    };
    for (const Operation &op : ops) {
        switch (op.code) {
        case Op::Jump:
        case Op::If:
        case Op::With:
            enter(op.a);
            break;
        case Op::WaitForFrame:
        case Op::WaitForFrame2:
            enter(op.b);
            break;
        default:
            break;
        }
    }
    for (const FunctionCode &code : m_program->functions) {
        enter(code.begin);
        enter(code.end);
    }
    for (const TryCode &code : m_program->tries) {
        for (int edge : {code.begin, code.catchBegin, code.finallyBegin, code.end})
            enter(edge);
    }
    for (size_t i = 0; i + 1 < ops.size(); ++i) {
        if (entered[i + 1])
            continue;
        if (ops[i].code == Op::StoreRegister && ops[i + 1].code == Op::Pop)
            ops[i].pair = Operation::Pair::ThenPop;
        else if (ops[i].code == Op::Not && ops[i + 1].code == Op::If)
            ops[i].pair = Operation::Pair::ThenIf;
    }
}

void Decoder::decodeRecord(int index, Operation &op)
{
    const Record &record = m_records[size_t(index)];
    Reader r(record.payload);
    switch (record.code) {
    case Op::Push:
        decodePush(record, op);
        return;
    case Op::Jump:
    case Op::If:
        op.a = opAt(record.next + r.s16());
        break;
    case Op::GotoFrame:
        op.a = r.u16();
        break;
    case Op::GetUrl:
        op.a = addString(r.cstring());
        op.b = addString(r.cstring());
        break;
    case Op::GoToLabel:
    case Op::SetTarget:
        op.a = addString(r.cstring());
        break;
    case Op::StoreRegister:
        op.a = r.u8();
        break;
    case Op::WaitForFrame:
        op.a = r.u16();
        op.b = qMin(index + 1 + int(r.u8()), int(m_records.size()));
        break;
    case Op::WaitForFrame2:
        op.b = qMin(index + 1 + int(r.u8()), int(m_records.size()));
        break;
    case Op::GetUrl2:
        op.a = r.u8();
        break;
    case Op::GotoFrame2: {
        const quint8 flags = r.u8();
        op.a = flags & 0x03;
        op.b = (flags & 0x02) ? r.u16() : 0;
        break;
    }
    case Op::ConstantPool: {
        std::vector<StrRef> pool(r.u16());
        for (StrRef &entry : pool) {
            const QByteArray bytes = r.cstring();
            if (!r.ok())
                break;
            entry = text(bytes);
        }
        if (!r.ok()) {
            m_program->damaged = true;
            // Entries that were not there read as undefined.
        }
        m_program->pools.push_back(std::make_shared<const std::vector<StrRef>>(std::move(pool)));
        op.a = int(m_program->pools.size()) - 1;
        return;
    }
    case Op::DefineFunction:
    case Op::DefineFunction2:
        decodeFunction(record, op, record.code == Op::DefineFunction2);
        return;
    case Op::With:
        op.a = opFrom(record.next + r.u16());
        break;
    case Op::Try:
        decodeTry(record, op);
        return;
    default:
        return;
    }
    if (!r.ok()) {
        m_program->damaged = true;
        op.code = Op::End;
    }
}

void Decoder::decodePush(const Record &record, Operation &op)
{
    Reader r(record.payload);
    op.a = int(m_program->pushes.size());
    bool unknownType = false;
    while (!r.atEnd() && !unknownType) {
        PushItem item;
        switch (r.u8()) {
        case 0:
            item.value = Value(text(r.cstring()));
            break;
        case 1: {
            const quint32 bits = r.u32();
            float f;
            std::memcpy(&f, &bits, sizeof f);
            item.value = Value(double(f));
            break;
        }
        case 2:
            item.value = Value::null();
            break;
        case 3:
            break;
        case 4:
            item.kind = PushItem::Kind::Register;
            item.index = r.u8();
            break;
        case 5:
            item.value = Value(r.u8() != 0);
            break;
        case 6: {
            // Two little-endian words, the high one first.
            const quint64 high = r.u32();
            const quint64 low = r.u32();
            const quint64 bits = (high << 32) | low;
            double d;
            std::memcpy(&d, &bits, sizeof d);
            item.value = Value(d);
            break;
        }
        case 7:
            item.value = Value(double(r.s32()));
            break;
        case 8:
            item.kind = PushItem::Kind::Constant;
            item.index = r.u8();
            break;
        case 9:
            item.kind = PushItem::Kind::Constant;
            item.index = r.u16();
            break;
        default:
            // An unknown type pushes undefined and ends the list.
            unknownType = true;
            break;
        }
        if (!r.ok()) {
            m_program->damaged = true;
            break;
        }
        m_program->pushes.push_back(std::move(item));
    }
    op.b = int(m_program->pushes.size()) - op.a;
}

void Decoder::decodeFunction(const Record &record, Operation &op, bool version2)
{
    Reader r(record.payload);
    FunctionCode code;
    code.version2 = version2;
    code.name = text(r.cstring());
    const int count = r.u16();
    if (version2) {
        code.registerCount = r.u8();
        code.flags = r.u16();
    }
    for (int i = 0; i < count && r.ok(); ++i) {
        if (version2)
            code.paramRegisters.push_back(r.u8());
        code.params.push_back(text(r.cstring()));
    }
    const qint64 size = r.u16();
    if (!r.ok()) {
        m_program->damaged = true;
        op.code = Op::End;
        return;
    }
    code.begin = opFrom(record.next);
    code.end = opFrom(record.next + size);
    m_program->functions.push_back(std::move(code));
    op.a = int(m_program->functions.size()) - 1;
}

void Decoder::decodeTry(const Record &record, Operation &op)
{
    Reader r(record.payload);
    TryCode code;
    const quint8 flags = r.u8();
    const qint64 trySize = r.u16();
    const qint64 catchSize = r.u16();
    const qint64 finallySize = r.u16();
    code.hasCatch = flags & 0x01;
    code.hasFinally = flags & 0x02;
    code.catchInRegister = flags & 0x04;
    if (code.catchInRegister)
        code.catchRegister = r.u8();
    else
        code.catchName = text(r.cstring());
    if (!r.ok()) {
        m_program->damaged = true;
        op.code = Op::End;
        return;
    }
    const qint64 finallyAt = record.next + trySize + (code.hasCatch ? catchSize : 0);
    code.begin = opFrom(record.next);
    code.catchBegin = opFrom(record.next + trySize);
    code.finallyBegin = opFrom(finallyAt);
    code.end = opFrom(finallyAt + (code.hasFinally ? finallySize : 0));
    m_program->tries.push_back(std::move(code));
    op.a = int(m_program->tries.size()) - 1;
}

} // namespace

std::shared_ptr<const ActionProgram> decodeActions(QByteArrayView bytes, int swfVersion)
{
    return Decoder(bytes, swfVersion).decode();
}

} // namespace swf::avm1
