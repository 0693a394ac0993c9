#include "ui/skin.h"

#include "ui/skinhost.h"
#include "ui/skinlogging.h"

#include <QFile>

Q_LOGGING_CATEGORY(lcSkin, "ui.skin")

namespace {

// The one reference per process. It is replaced when obtained again and is
// otherwise kept until the process ends.
std::shared_ptr<SkinInterface> &processReference()
{
    static std::shared_ptr<SkinInterface> reference;
    return reference;
}

} // namespace

namespace Skin {

std::shared_ptr<SkinInterface> queryInterface(const std::shared_ptr<QObject> &object)
{
    if (!object)
        return nullptr;
    SkinInterface *const skin = qobject_cast<SkinInterface *>(object.get());
    if (!skin)
        return nullptr;
    // Shares ownership of the object while pointing at its interface.
    return std::shared_ptr<SkinInterface>(object, skin);
}

std::shared_ptr<SkinInterface> reference()
{
    return processReference();
}

std::shared_ptr<SkinInterface> obtain(const QWidget *skinControl)
{
    const auto *host = qobject_cast<const SkinHost *>(skinControl);
    const std::shared_ptr<QObject> object = host ? host->object() : nullptr;
    processReference() = queryInterface(object);
    if (!processReference())
        qCInfo(lcSkin) << (object ? "the skin control's object offers no skin interface"
                                  : "the skin control has no object")
                       << "- windows keep the plain look";
    return processReference();
}

QString skinFilePath(const QByteArray &startDirectory)
{
    QByteArray path = startDirectory;
    // At the file-system root the directory already ends in the separator.
    if (!path.endsWith('/'))
        path += '/';
    path += FileName;
    return QFile::decodeName(path);
}

void skinPlayerWindow(QWidget *playerWindow, const QWidget *skinControl,
                      const QByteArray &startDirectory)
{
    const std::shared_ptr<SkinInterface> skin = obtain(skinControl);
    if (!skin)
        return;
    skin->LoadSkinFile(skinFilePath(startDirectory));
    skin->ApplyToWindow(playerWindow);
}

void skinOwnWindow(QWidget *window)
{
    if (const std::shared_ptr<SkinInterface> skin = reference())
        skin->ApplyToWindow(window);
}

} // namespace Skin
