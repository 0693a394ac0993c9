// Errors of the engine are values: a code, the tag being read (or -1), the
// byte offset in the decoded movie (or -1) and a sentence for people.
#pragma once

#include <QString>

#include <utility>
#include <variant>

namespace swf {

enum class ErrorCode {
    Io,            // the file could not be opened or read
    BadSignature,  // not FWS, CWS or ZWS
    Truncated,     // the data ends before a structure it needs
    TooLarge,      // a declared size is beyond the engine's limits
    Decompression, // zlib or LZMA refused the stream
    BadProperties, // damaged LZMA properties
    Malformed,     // a structure contradicts itself
};

struct Error {
    ErrorCode code = ErrorCode::Malformed;
    int tag = -1;
    qint64 offset = -1;
    QString message;

    // "message (tag 32 at offset 1234)", the context only where known.
    QString toString() const;
};

// Either a value or the error that prevented it.
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : m_data(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : m_data(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }

    T &value() { return std::get<0>(m_data); }
    const T &value() const { return std::get<0>(m_data); }
    T &operator*() { return value(); }
    const T &operator*() const { return value(); }
    T *operator->() { return &value(); }
    const T *operator->() const { return &value(); }

    const Error &error() const { return std::get<1>(m_data); }

private:
    std::variant<T, Error> m_data;
};

} // namespace swf
