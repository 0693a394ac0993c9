#include "ui/aboutbox.h"

#include "res/icon.h"
#include "res/resource.h"
#include "ui/dialogunits.h"
#include "ui/maker.h"
#include "ui/skin.h"
#include "ui/urlopener.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace {

// Template 100 in dialog units.
constexpr int TemplateWidth = 197;
constexpr int TemplateHeight = 214;
constexpr int TemplateFontPoints = 8;
constexpr int IconSize = 32; // the icon is shown at its real size

// The statics take no mouse input, so a click on them reaches the box.
QLabel *addStatic(QWidget *box, const QString &objectName, const QRect &rect)
{
    auto *label = new QLabel(box);
    label->setObjectName(objectName);
    label->setGeometry(rect);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

QPushButton *addButton(QWidget *box, int id, const QString &caption, const QRect &rect)
{
    auto *button = new QPushButton(caption, box);
    button->setObjectName(Res::objectIdName(id));
    button->setGeometry(rect);
    return button;
}

} // namespace

AboutBox::AboutBox(QWidget *parent, UrlOpener *urlOpener)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_urlOpener(urlOpener)
{
    if (!m_urlOpener) {
        m_desktopOpener = std::make_unique<DesktopUrlOpener>();
        m_urlOpener = m_desktopOpener.get();
    }
    setObjectName(Res::objectIdName(Res::IDD_ABOUTBOX));
    setWindowTitle(QStringLiteral("About Orvanto"));
    setFixedSize(DialogUnits::toPixels(TemplateWidth, TemplateHeight));
    // The template's 8-point font: the usage text fills its frame at that
    // size, and larger default fonts would cut off its last lines.
    QFont templateFont = font();
    templateFont.setPointSize(TemplateFontPoints);
    setFont(templateFont);
    buildControls();
    Skin::skinOwnWindow(this);
}

AboutBox::~AboutBox() = default;

int AboutBox::run(QWidget *owner, UrlOpener *urlOpener)
{
    AboutBox box(owner, urlOpener);
    return box.exec();
}

// clang-format off
QString AboutBox::usageText()
{
    return QStringLiteral(
        "使用说明:\n\n\r"
        "      1、双击进入/退出全屏。\n\r"
        "      2、播放时滚轮前后滚动控制Flash后退和快进。\n\r"
        "      3、全屏时空格键控制播放/暂停，左后方向键控制Flash后退和快进，上下方向键打开上一部下一部Flash。\n\r"
        "      4、支持拖放打开Flash文件。\n"
        "      5、双击播放列表中文件，点击右键菜单可以添加一个文件夹里的Flash文件。自动保存/打开一个文件列表！");
}
// clang-format on

// Controls in template order, which is also the tab order.
void AboutBox::buildControls()
{
    // "Centred, real size": the icon keeps its size around the centre of
    // its template rectangle, which is a little smaller than the icon.
    const QRect iconPlace = DialogUnits::toPixels(12, 10, 20, 20);
    QLabel *icon =
        addStatic(this, QStringLiteral("aboutIcon"),
                  QRect(iconPlace.x() + (iconPlace.width() - IconSize) / 2,
                        iconPlace.y() + (iconPlace.height() - IconSize) / 2, IconSize, IconSize));
    icon->setPixmap(Res::applicationIcon().pixmap(IconSize, IconSize));
    icon->setAlignment(Qt::AlignCenter);

    QLabel *version =
        addStatic(this, QStringLiteral("aboutVersion"), DialogUnits::toPixels(53, 14, 119, 8));
    version->setTextFormat(Qt::PlainText);
    version->setText(QStringLiteral("Orvanto Version 1.0"));

    QLabel *usage =
        addStatic(this, QStringLiteral("aboutUsage"), DialogUnits::toPixels(30, 31, 150, 123));
    usage->setTextFormat(Qt::PlainText);
    usage->setWordWrap(true);
    usage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    usage->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    usage->setText(usageText());

    QPushButton *web = addButton(this, Res::IDC_ABOUT_WEB, Maker::webCaption(),
                                 DialogUnits::toPixels(43, 175, 102, 17));
    QPushButton *mail = addButton(this, Res::IDC_ABOUT_MAIL, Maker::mailCaption(),
                                  DialogUnits::toPixels(43, 156, 102, 17));
    connect(web, &QPushButton::clicked, this, &AboutBox::openWebSite);
    connect(mail, &QPushButton::clicked, this, &AboutBox::startMail);
}

void AboutBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        accept();
    QDialog::mousePressEvent(event);
}

void AboutBox::openWebSite()
{
    m_urlOpener->openUrl(Maker::webUrl());
}

void AboutBox::startMail()
{
    m_urlOpener->openUrl(Maker::mailUrl());
}
