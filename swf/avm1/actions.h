// An action block (DoAction, DoInitAction, a clip event, a button action)
// decoded once into operations the interpreter runs: jumps resolved to
// operation indices, pushes and strings decoded, function bodies, with
// and try blocks bounded. Malformed blocks decode to what can be run
// safely: a length past the end ends the block there, a jump to where no
// action starts ends it when taken, blocks whose sizes lie are cut to the
// actions they cover.
#pragma once

#include "swf/avm1/value.h"

#include <QByteArrayView>

#include <memory>
#include <vector>

namespace swf::avm1 {

// Action codes of the SWF file-format documentation.
namespace Op {
enum Code : quint8 {
    End = 0x00,
    NextFrame = 0x04,
    PrevFrame = 0x05,
    Play = 0x06,
    Stop = 0x07,
    ToggleQuality = 0x08,
    StopSounds = 0x09,
    Add = 0x0a,
    Subtract = 0x0b,
    Multiply = 0x0c,
    Divide = 0x0d,
    Equals = 0x0e,
    Less = 0x0f,
    And = 0x10,
    Or = 0x11,
    Not = 0x12,
    StringEquals = 0x13,
    StringLength = 0x14,
    StringExtract = 0x15,
    Pop = 0x17,
    ToInteger = 0x18,
    GetVariable = 0x1c,
    SetVariable = 0x1d,
    SetTarget2 = 0x20,
    StringAdd = 0x21,
    GetProperty = 0x22,
    SetProperty = 0x23,
    CloneSprite = 0x24,
    RemoveSprite = 0x25,
    Trace = 0x26,
    StartDrag = 0x27,
    EndDrag = 0x28,
    StringLess = 0x29,
    Throw = 0x2a,
    CastOp = 0x2b,
    ImplementsOp = 0x2c,
    FsCommand2 = 0x2d,
    RandomNumber = 0x30,
    MbStringLength = 0x31,
    CharToAscii = 0x32,
    AsciiToChar = 0x33,
    GetTime = 0x34,
    MbStringExtract = 0x35,
    MbCharToAscii = 0x36,
    MbAsciiToChar = 0x37,
    Delete = 0x3a,
    Delete2 = 0x3b,
    DefineLocal = 0x3c,
    CallFunction = 0x3d,
    Return = 0x3e,
    Modulo = 0x3f,
    NewObject = 0x40,
    DefineLocal2 = 0x41,
    InitArray = 0x42,
    InitObject = 0x43,
    TypeOf = 0x44,
    TargetPath = 0x45,
    Enumerate = 0x46,
    Add2 = 0x47,
    Less2 = 0x48,
    Equals2 = 0x49,
    ToNumber = 0x4a,
    ToString = 0x4b,
    PushDuplicate = 0x4c,
    StackSwap = 0x4d,
    GetMember = 0x4e,
    SetMember = 0x4f,
    Increment = 0x50,
    Decrement = 0x51,
    CallMethod = 0x52,
    NewMethod = 0x53,
    InstanceOf = 0x54,
    Enumerate2 = 0x55,
    BitAnd = 0x60,
    BitOr = 0x61,
    BitXor = 0x62,
    BitLShift = 0x63,
    BitRShift = 0x64,
    BitURShift = 0x65,
    StrictEquals = 0x66,
    Greater = 0x67,
    StringGreater = 0x68,
    Extends = 0x69,
    GotoFrame = 0x81,
    GetUrl = 0x83,
    StoreRegister = 0x87,
    ConstantPool = 0x88,
    WaitForFrame = 0x8a,
    SetTarget = 0x8b,
    GoToLabel = 0x8c,
    WaitForFrame2 = 0x8d,
    DefineFunction2 = 0x8e,
    Try = 0x8f,
    With = 0x94,
    Push = 0x96,
    Jump = 0x99,
    GetUrl2 = 0x9a,
    DefineFunction = 0x9b,
    If = 0x9d,
    Call = 0x9e,
    GotoFrame2 = 0x9f,
};
} // namespace Op

// One value of a Push: a literal, a register or a constant-pool entry.
struct PushItem {
    enum class Kind : quint8 { Literal, Register, Constant };
    Kind kind = Kind::Literal;
    quint16 index = 0;
    Value value;
};

// DefineFunction and DefineFunction2: the body runs ops [begin, end).
struct FunctionCode {
    StrRef name;
    std::vector<StrRef> params;
    // DefineFunction2: the register each parameter goes to (0: none).
    std::vector<quint8> paramRegisters;
    bool version2 = false;
    int registerCount = 0;
    quint16 flags = 0; // DefineFunction2's preload and suppress flags
    int begin = 0;
    int end = 0;
};

namespace FunctionFlag {
inline constexpr quint16 PreloadThis = 0x0001;
inline constexpr quint16 SuppressThis = 0x0002;
inline constexpr quint16 PreloadArguments = 0x0004;
inline constexpr quint16 SuppressArguments = 0x0008;
inline constexpr quint16 PreloadSuper = 0x0010;
inline constexpr quint16 SuppressSuper = 0x0020;
inline constexpr quint16 PreloadRoot = 0x0040;
inline constexpr quint16 PreloadParent = 0x0080;
inline constexpr quint16 PreloadGlobal = 0x0100;
} // namespace FunctionFlag

// Try: the try body, then catch and finally, each up to the next. A part
// whose flag is clear takes no room, whatever size the action gives it.
struct TryCode {
    int begin = 0;
    int catchBegin = 0;
    int finallyBegin = 0;
    int end = 0;
    bool hasCatch = false;
    bool hasFinally = false;
    bool catchInRegister = false;
    quint8 catchRegister = 0;
    StrRef catchName;
};

// One decoded action. What a, b and c hold depends on the code: a jump's
// target op; a push's first item and count; a function's index; a with or
// try block's end op or TryCode; a frame number; a string's index.
struct Operation {
    // Pairs the loop may run as one, because nothing jumps or leads
    // between them: a StoreRegister and the Pop after it (every local
    // assignment), a Not and the If after it (every if and loop test).
    enum class Pair : quint8 { None, ThenPop, ThenIf };
    quint8 code = Op::End;
    Pair pair = Pair::None;
    qint32 a = 0;
    qint32 b = 0;
    qint32 c = 0;
};

struct ActionProgram {
    std::vector<Operation> ops; // always ends with End
    std::vector<PushItem> pushes;
    std::vector<FunctionCode> functions;
    std::vector<TryCode> tries;
    std::vector<StrRef> strings;
    std::vector<std::shared_ptr<const std::vector<StrRef>>> pools;
    // Something was malformed and cut (logged once when run).
    bool damaged = false;
};

// Text in actions is decoded as the movie's text is (UTF-8 from version 6).
std::shared_ptr<const ActionProgram> decodeActions(QByteArrayView bytes, int swfVersion);

} // namespace swf::avm1
