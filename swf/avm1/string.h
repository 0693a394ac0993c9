// Strings of ActionScript 1/2: immutable UTF-16 text shared by reference
// count. Scripts build many short strings and compare them as property
// names all the time, so a string caches its hash and the property key
// the machine interned for it.
#pragma once

#include <QHash>
#include <QString>

#include <utility>

namespace swf::avm1 {

class StringData {
public:
    explicit StringData(QString text) : m_text(std::move(text)) {}
    StringData(const StringData &) = delete;
    StringData &operator=(const StringData &) = delete;

    const QString &text() const { return m_text; }
    size_t hash() const
    {
        if (!m_hashed) {
            m_hash = qHash(m_text);
            m_hashed = true;
        }
        return m_hash;
    }

    void ref() { ++m_refs; }
    void deref()
    {
        if (--m_refs == 0)
            release();
    }
    quint32 refs() const { return m_refs; }

    // The interned key of this text, set by the machine's KeyTable: a key
    // refers to itself without a reference, others hold one.
    StringData *cachedKey() const { return m_key; }
    void setCachedKey(StringData *key);
    bool isKey() const { return m_key == this; }

private:
    ~StringData();
    void release();

    QString m_text;
    quint32 m_refs = 0;
    mutable bool m_hashed = false;
    mutable size_t m_hash = 0;
    StringData *m_key = nullptr;
};

// An owning reference to a StringData; null only when default-built.
class StrRef {
public:
    StrRef() = default;
    explicit StrRef(StringData *data) : m_data(data)
    {
        if (m_data)
            m_data->ref();
    }
    explicit StrRef(const QString &text) : StrRef(new StringData(text)) {}
    // Taking the text over saves touching its shared count twice.
    explicit StrRef(QString &&text) : StrRef(new StringData(std::move(text))) {}
    StrRef(const StrRef &other) : StrRef(other.m_data) {}
    StrRef(StrRef &&other) noexcept : m_data(std::exchange(other.m_data, nullptr)) {}
    StrRef &operator=(const StrRef &other)
    {
        StrRef copy(other);
        std::swap(m_data, copy.m_data);
        return *this;
    }
    StrRef &operator=(StrRef &&other) noexcept
    {
        std::swap(m_data, other.m_data);
        return *this;
    }
    ~StrRef()
    {
        if (m_data)
            m_data->deref();
    }

    StringData *data() const { return m_data; }
    const QString &text() const { return m_data ? m_data->text() : empty(); }
    explicit operator bool() const { return m_data != nullptr; }
    friend bool operator==(const StrRef &a, const StrRef &b)
    {
        return a.m_data == b.m_data || a.text() == b.text();
    }

private:
    static const QString &empty();
    StringData *m_data = nullptr;
};

} // namespace swf::avm1
