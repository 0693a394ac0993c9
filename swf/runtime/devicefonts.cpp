#include "swf/runtime/devicefonts.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>

#include <algorithm>
#include <array>

namespace swf {

namespace {

enum class Family {
    Sans,
    Serif,
    Mono,
    SansCjk,
    SerifCjk,
    SansJapanese,
    SerifJapanese,
    SansKorean,
    SerifKorean
};

struct Alias {
    const char16_t *name;
    Family family;
};

// Names seen in movies made on Windows, and what they look like.
constexpr std::array kAliases{
    Alias{u"_sans", Family::Sans},
    Alias{u"_serif", Family::Serif},
    Alias{u"_typewriter", Family::Mono},
    Alias{u"arial", Family::Sans},
    Alias{u"helvetica", Family::Sans},
    Alias{u"verdana", Family::Sans},
    Alias{u"tahoma", Family::Sans},
    Alias{u"trebuchet ms", Family::Sans},
    Alias{u"microsoft sans serif", Family::Sans},
    Alias{u"ms sans serif", Family::Sans},
    Alias{u"times", Family::Serif},
    Alias{u"times new roman", Family::Serif},
    Alias{u"georgia", Family::Serif},
    Alias{u"courier", Family::Mono},
    Alias{u"courier new", Family::Mono},
    Alias{u"lucida console", Family::Mono},
    Alias{u"宋体", Family::SerifCjk},
    Alias{u"新宋体", Family::SerifCjk},
    Alias{u"simsun", Family::SerifCjk},
    Alias{u"nsimsun", Family::SerifCjk},
    Alias{u"楷体", Family::SerifCjk},
    Alias{u"楷体_gb2312", Family::SerifCjk},
    Alias{u"仿宋", Family::SerifCjk},
    Alias{u"仿宋_gb2312", Family::SerifCjk},
    Alias{u"kaiti", Family::SerifCjk},
    Alias{u"mingliu", Family::SerifCjk},
    Alias{u"pmingliu", Family::SerifCjk},
    Alias{u"細明體", Family::SerifCjk},
    Alias{u"新細明體", Family::SerifCjk},
    Alias{u"黑体", Family::SansCjk},
    Alias{u"simhei", Family::SansCjk},
    Alias{u"微软雅黑", Family::SansCjk},
    Alias{u"microsoft yahei", Family::SansCjk},
    Alias{u"幼圆", Family::SansCjk},
    Alias{u"ms gothic", Family::SansJapanese},
    Alias{u"ms pgothic", Family::SansJapanese},
    Alias{u"ｍｓ ゴシック", Family::SansJapanese},
    Alias{u"ｍｓ ｐゴシック", Family::SansJapanese},
    Alias{u"meiryo", Family::SansJapanese},
    Alias{u"ms mincho", Family::SerifJapanese},
    Alias{u"ms pmincho", Family::SerifJapanese},
    Alias{u"ｍｓ 明朝", Family::SerifJapanese},
    Alias{u"ｍｓ ｐ明朝", Family::SerifJapanese},
    Alias{u"gulim", Family::SansKorean},
    Alias{u"굴림", Family::SansKorean},
    Alias{u"dotum", Family::SansKorean},
    Alias{u"돋움", Family::SansKorean},
    Alias{u"batang", Family::SerifKorean},
    Alias{u"바탕", Family::SerifKorean},
};

// Installed families in order of likeness: metric twins of the Windows
// fonts first, the fonts every installation has last.
QStringList candidates(Family family)
{
    switch (family) {
    case Family::Sans:
        return {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")};
    case Family::Serif:
        return {QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                QStringLiteral("Tinos"), QStringLiteral("Nimbus Roman"),
                QStringLiteral("DejaVu Serif")};
    case Family::Mono:
        return {QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                QStringLiteral("Cousine"), QStringLiteral("Nimbus Mono PS"),
                QStringLiteral("DejaVu Sans Mono")};
    case Family::SansCjk:
        return {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Droid Sans Fallback"),
                QStringLiteral("DejaVu Sans")};
    case Family::SerifCjk:
        return {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                QStringLiteral("Droid Sans Fallback"), QStringLiteral("DejaVu Serif")};
    case Family::SansJapanese:
        return {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans CJK SC"),
                QStringLiteral("DejaVu Sans")};
    case Family::SerifJapanese:
        return {QStringLiteral("Noto Serif CJK JP"), QStringLiteral("Noto Sans CJK JP"),
                QStringLiteral("DejaVu Serif")};
    case Family::SansKorean:
        return {QStringLiteral("Noto Sans CJK KR"), QStringLiteral("Noto Sans CJK SC"),
                QStringLiteral("DejaVu Sans")};
    case Family::SerifKorean:
        return {QStringLiteral("Noto Serif CJK KR"), QStringLiteral("Noto Sans CJK KR"),
                QStringLiteral("DejaVu Serif")};
    }
    return {QStringLiteral("DejaVu Sans")};
}

QFont::StyleHint hintOf(Family family)
{
    switch (family) {
    case Family::Serif:
    case Family::SerifCjk:
    case Family::SerifJapanese:
    case Family::SerifKorean:
        return QFont::Serif;
    case Family::Mono:
        return QFont::Monospace;
    default:
        return QFont::SansSerif;
    }
}

// The font database lists families with their foundry when several
// foundries make one ("Nimbus Sans [urw]").
QString withoutFoundry(const QString &family)
{
    const qsizetype bracket = family.indexOf(QLatin1String(" ["));
    return bracket < 0 ? family : family.left(bracket);
}

QString installedFamily(Family family)
{
    QStringList installed = QFontDatabase::families();
    for (QString &name : installed)
        name = withoutFoundry(name);
    for (const QString &name : candidates(family)) {
        if (installed.contains(name, Qt::CaseInsensitive))
            return name;
    }
    return {};
}

} // namespace

bool deviceFontsAvailable()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

QFont deviceFont(const QString &name, bool bold, bool italic, int pixelSize)
{
    QFont font;
    const QString key = name.trimmed().toLower();
    const auto alias = std::find_if(kAliases.begin(), kAliases.end(),
                                    [&](const Alias &a) { return key == QStringView(a.name); });
    if (alias != kAliases.end()) {
        font.setStyleHint(hintOf(alias->family));
        const QString family = installedFamily(alias->family);
        font.setFamilies(family.isEmpty() ? QStringList() : QStringList{family});
    } else {
        // Names the font database knows are used as they are; the system's
        // matching finds the nearest family for the others.
        font.setStyleHint(QFont::SansSerif);
        font.setFamilies(
            {name.trimmed().isEmpty() ? installedFamily(Family::Serif) : name.trimmed()});
    }
    font.setBold(bold);
    font.setItalic(italic);
    font.setPixelSize(qMax(1, pixelSize));
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferOutline | QFont::ForceOutline));
    return font;
}

} // namespace swf
