// Shows the skinned windows laid out as the player window, the playlist
// window and the about box, for looking at the skin on a real display:
//   orvanto-skin-preview [--plain] [--shots DIR] [--menu] [START_DIRECTORY]
// START_DIRECTORY holds winaqua.skn (default: the source tree's res/).
// --shots DIR saves a picture of each window into DIR and quits.
#include "res/icon.h"
#include "res/resource.h"
#include "res/strings.h"
#include "ui/aboutbox.h"
#include "ui/aboutcommands.h"
#include "ui/dialogunits.h"
#include "ui/skin.h"
#include "ui/skinhost.h"
#include "ui/urlopener.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace {

class PreviewOpener final : public UrlOpener {
public:
    void openUrl(const QUrl &url) override { qInfo("would open %s", qPrintable(url.toString())); }
};

// A stand-in for the movie: the movie area stays black around a picture.
class MovieArea final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        const QRect stage = rect().adjusted(60, 20, -60, -20);
        QLinearGradient sky(stage.topLeft(), stage.bottomLeft());
        sky.setColorAt(0, QColor(40, 90, 160));
        sky.setColorAt(1, QColor(230, 170, 90));
        painter.fillRect(stage, sky);
    }
};

template <typename W> W *place(QWidget *parent, int id, QRect dlu)
{
    auto *widget = new W(parent);
    if (id > 0)
        widget->setObjectName(Res::objectIdName(id));
    widget->setGeometry(DialogUnits::toPixels(dlu.x(), dlu.y(), dlu.width(), dlu.height()));
    return widget;
}

QPushButton *button(QWidget *parent, int id, const QString &text, QRect dlu)
{
    auto *b = place<QPushButton>(parent, id, dlu);
    b->setText(text);
    return b;
}

QDialog *makePlayerWindow(SkinHost **host)
{
    auto *w = new QDialog;
    w->setObjectName(Res::objectIdName(Res::IDD_PLAYER));
    w->setWindowTitle(QStringLiteral("Orvanto V1.0"));
    w->setFixedSize(DialogUnits::toPixels(350, 247));
    place<MovieArea>(w, Res::IDC_MOVIE, {0, 0, 350, 210});
    *host = new SkinHost(w);
    (*host)->setGeometry(DialogUnits::toPixels(118, 208, 21, 20));
    auto *seek = new QScrollBar(Qt::Horizontal, w);
    seek->setObjectName(Res::objectIdName(Res::IDC_SEEKBAR));
    seek->setGeometry(DialogUnits::toPixels(0, 209, 349, 9));
    seek->setRange(0, 240);
    seek->setValue(70);
    auto *path = place<QLabel>(w, Res::IDC_PATHLINE, {13, 220, 333, 8});
    path->setText(QStringLiteral("/home/用户/动画/Current Flash 演示.swf"));
    button(w, Res::IDC_PLAYLIST_TOGGLE, QString(), {0, 221, 7, 25});
    button(w, Res::IDC_OPEN, QStringLiteral("打开"), {13, 230, 37, 15});
    button(w, Res::IDC_PLAYPAUSE, QStringLiteral("暂停"), {52, 230, 37, 15});
    button(w, Res::IDC_STOP, QStringLiteral("停止"), {91, 230, 37, 15});
    button(w, Res::IDC_PREVIOUS, QStringLiteral("上一部"), {130, 230, 37, 15});
    button(w, Res::IDC_NEXT, QStringLiteral("下一部"), {169, 230, 37, 15});
    button(w, Res::IDC_ABOUT, QStringLiteral("关于"), {208, 230, 37, 15});
    place<QLabel>(w, 0, {246, 234, 19, 8})->setText(QStringLiteral("音量:"));
    place<QGroupBox>(w, 0, {264, 229, 82, 12});
    auto *volume = place<QProgressBar>(w, Res::IDC_VOLUMEBAR, {266, 233, 83, 9});
    volume->setRange(0, 65535);
    volume->setValue(41000);
    volume->setTextVisible(false);
    return w;
}

QDialog *makePlaylistWindow()
{
    auto *w = new QDialog;
    w->setWindowTitle(QStringLiteral("FlashList"));
    w->resize(DialogUnits::toPixels(87, 247));
    auto *list = place<QListWidget>(w, Res::IDC_PLAYLIST_BOX, {0, 0, 86, 246});
    list->setGeometry(w->rect());
    const QStringList names = {
        QStringLiteral("小熊跳舞"),   QStringLiteral("intro"),
        QStringLiteral("星空漫步"),   QStringLiteral("Clock demo with a rather long name"),
        QStringLiteral("水墨山水"),   QStringLiteral("game_01"),
        QStringLiteral("新年快乐"),   QStringLiteral("Rain"),
        QStringLiteral("卡通小剧场"), QStringLiteral("banner"),
        QStringLiteral("风车"),       QStringLiteral("Snow"),
        QStringLiteral("童年回忆"),   QStringLiteral("loader"),
        QStringLiteral("花开"),       QStringLiteral("space"),
        QStringLiteral("海底世界"),   QStringLiteral("mouse_trail"),
        QStringLiteral("月亮船"),     QStringLiteral("末尾")};
    list->addItems(names);
    list->setCurrentRow(2);
    return w;
}

void save(QWidget *w, const QString &dir, const QString &name)
{
    w->grab().save(dir + u'/' + name + QStringLiteral(".png"));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The application object's dialog colours.
    QPalette dialogColours;
    dialogColours.setColor(QPalette::Window, Qt::black);
    dialogColours.setColor(QPalette::WindowText, Qt::white);
    QApplication::setPalette(dialogColours, "QDialog");

    QStringList args = app.arguments().mid(1);
    const bool plain = args.removeAll(QStringLiteral("--plain")) > 0;
    const bool menu = args.removeAll(QStringLiteral("--menu")) > 0;
    QString shots;
    if (const qsizetype at = args.indexOf(QStringLiteral("--shots"));
        at >= 0 && at + 1 < args.size()) {
        shots = args.at(at + 1);
        args.remove(at, 2);
    }
    const QString start = args.isEmpty() ? QStringLiteral(ORVANTO_SOURCE_DIR "/res") : args.first();

    SkinHost *host = nullptr;
    std::unique_ptr<QDialog> player(makePlayerWindow(&host));
    if (!plain)
        Skin::skinPlayerWindow(player.get(), host, QFile::encodeName(start));
    std::unique_ptr<QDialog> playlist(makePlaylistWindow());
    if (!plain)
        Skin::skinOwnWindow(playlist.get());
    PreviewOpener opener;
    AboutBox about(nullptr, &opener);

    player->move(200, 60);
    playlist->move(50, 40);
    about.move(760, 60);
    player->show();
    playlist->show();
    about.show();
    QMenu windowMenu(player.get());
    windowMenu.addAction(QStringLiteral("Move"));
    windowMenu.addAction(QStringLiteral("Close"));
    AboutCommands::addSystemMenuEntry(&windowMenu, Res::loadString);
    if (menu)
        windowMenu.popup(player->mapToGlobal(QPoint(30, 30)));

    if (!shots.isEmpty()) {
        QDir().mkpath(shots);
        QTimer::singleShot(300, &app, [&] {
            save(player.get(), shots, QStringLiteral("player"));
            save(playlist.get(), shots, QStringLiteral("playlist"));
            save(&about, shots, QStringLiteral("about"));
            app.quit();
        });
    }
    return app.exec();
}
