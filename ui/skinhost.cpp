#include "ui/skinhost.h"

#include "res/resource.h"
#include "ui/skinengine.h"

SkinHost::SkinHost(QWidget *parent) : SkinHost(std::make_shared<SkinEngine>(), parent)
{
}

SkinHost::SkinHost(std::shared_ptr<QObject> object, QWidget *parent)
    : QWidget(parent), m_object(std::move(object))
{
    setObjectName(Res::objectIdName(Res::IDC_SKIN));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    // The engine draws through the windows it skins, not through its place
    // in the layout, which overlaps the seek bar and the path line.
    hide();
}

SkinHost::~SkinHost() = default;
