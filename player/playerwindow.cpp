// The player window: its template, the start-up sequence, the transport
// buttons, the seek bar and the position timer. Input handling (message
// pre-translation, wheel, drops, the window menu) is in
// playerwindowinput.cpp; the playlist operations are in playlist/.
#include "player/playerwindow.h"

#include "player/moviecontrol.h"
#include "player/nullmoviecontrol.h"
#include "player/pretranslator.h"
#include "player/seekbar.h"
#include "playlist/playlistwindow.h"
#include "res/icon.h"
#include "res/resource.h"
#include "ui/aboutcommands.h"
#include "volume/volumebar.h"

#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Dialog units of template 102 in pixels, with the base units of the usual
// 8-point dialog font: 1 horizontal unit is 1.5 pixels, 1 vertical unit 1.625.
// Edges are converted rather than sizes, as the dialog framework does, so
// neighbouring controls stay flush.
int dluToX(int x)
{
    return static_cast<int>(std::lround(x * 1.5));
}
int dluToY(int y)
{
    return static_cast<int>(std::lround(y * 1.625));
}

QRect dialogRect(int x, int y, int width, int height)
{
    const int left = dluToX(x);
    const int top = dluToY(y);
    return QRect(left, top, dluToX(x + width) - left, dluToY(y + height) - top);
}

// 350 x 247 dialog units: the client area the docking offsets assume.
constexpr int TemplateWidth = 350;
constexpr int TemplateHeight = 247;

// Gives a control of the template its id and its place.
template <typename Widget> Widget *place(Widget *widget, int id, const QRect &rect)
{
    if (id >= 0)
        widget->setObjectName(Res::objectIdName(id));
    widget->setGeometry(rect);
    return widget;
}

QByteArray currentDirectory()
{
    // getcwd with a null buffer allocates one of the size the path needs.
    const std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    return cwd ? QByteArray(cwd.get()) : QByteArray();
}

// The named files that exist: folders and names that lead nowhere are left
// out.
QByteArrayList existingFiles(const QByteArrayList &paths)
{
    QByteArrayList files;
    for (const QByteArray &path : paths) {
        struct stat info = {};
        if (::stat(path.constData(), &info) == 0 && !S_ISDIR(info.st_mode))
            files.append(path);
    }
    return files;
}

} // namespace

PlayerWindow::PlayerWindow(PlayerServices services, QWidget *parent)
    : PlayerWindow(std::move(services), QByteArrayList(), parent)
{
}

PlayerWindow::PlayerWindow(PlayerServices services, const QByteArrayList &namedFiles,
                           QWidget *parent)
    : QDialog(parent), m_services(std::move(services))
{
    if (!m_services.errorReporter)
        m_services.errorReporter = std::make_shared<MessageBoxErrorReporter>();

    setObjectName(Res::objectIdName(Res::IDD_PLAYER));
    setWindowTitle(QString::fromUtf8(Caption));
    // Caption, system menu and a modal frame: a close box, no sizing.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(dluToX(TemplateWidth), dluToY(TemplateHeight));
    setAcceptDrops(true);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    BuildControls();
    BuildWindowMenu();
    m_preTranslator =
        new PreTranslator(this, [this](QEvent *event) { return PreTranslateMessage(event); });

    m_positionTimer = new QTimer(this);
    m_positionTimer->setObjectName(QStringLiteral("timer%1").arg(Res::TIMER_POSITION));
    m_positionTimer->setTimerType(Qt::PreciseTimer);
    m_positionTimer->setInterval(Res::TIMER_PERIOD_MS);
    connect(m_positionTimer, &QTimer::timeout, this, &PlayerWindow::OnTimer);

    RunStartUpSequence(namedFiles);
}

PlayerWindow::~PlayerWindow() = default;

void PlayerWindow::BuildControls()
{
    MovieControlCreation creation;
    creation.rect = dialogRect(0, 0, 350, 210);
    creation.controlId = Res::IDC_MOVIE;
    if (m_services.movieControlFactory)
        m_movie = m_services.movieControlFactory(creation, this);
    if (!m_movie)
        m_movie = new NullMovieControl(this);
    m_movie->setParent(this);
    place(m_movie, Res::IDC_MOVIE, creation.rect);

    // The volume bar and its label and frame; the frame goes beneath the bar,
    // which reaches past it on the right.
    auto *label = place(new QLabel(QStringLiteral("音量:"), this), -1, dialogRect(246, 234, 19, 8));
    label->setObjectName(QStringLiteral("volumeLabel"));
    auto *frame = place(new QGroupBox(this), -1, dialogRect(264, 229, 82, 12));
    frame->setObjectName(QStringLiteral("volumeFrame"));
    volumeBar = place(new QProgressBar(this), Res::IDC_VOLUMEBAR, dialogRect(266, 233, 83, 9));
    // A plain bar: the position is in mixer units, a percentage would mean
    // nothing.
    volumeBar->setTextVisible(false);
    m_volumeBar = std::make_unique<VolumeBar>(volumeBar, m_services.masterVolumeFactory);

    if (m_services.skinHostFactory)
        m_skinHost = m_services.skinHostFactory(this);
    if (!m_skinHost) {
        // Control 1000 draws nothing and takes no input of its own.
        m_skinHost = new QWidget(this);
        m_skinHost->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    place(m_skinHost, Res::IDC_SKIN, dialogRect(118, 208, 21, 20));

    m_seekBar = place(new SeekBar(this), Res::IDC_SEEKBAR, dialogRect(0, 209, 349, 9));
    connect(m_seekBar, &QAbstractSlider::actionTriggered, this, &PlayerWindow::OnSeekAction);
    connect(m_seekBar, &QAbstractSlider::sliderReleased, this, &PlayerWindow::OnThumbPosition);
    connect(m_seekBar, &SeekBar::scrollEnded, this, &PlayerWindow::OnEndScroll);

    m_pathLine = place(new QLabel(QStringLiteral("Current Flash"), this), Res::IDC_PATHLINE,
                       dialogRect(13, 220, 333, 8));
    // A path is shown as it is, never as markup.
    m_pathLine->setTextFormat(Qt::PlainText);

    const auto button = [this](int id, const QString &text, const QRect &rect, auto handler) {
        auto *pushButton = place(new QPushButton(text, this), id, rect);
        // Enter goes to the focused button or else accepts (keyPressEvent);
        // Qt's own default-button tracking would keep the first focused
        // button as the default for good.
        pushButton->setAutoDefault(false);
        connect(pushButton, &QPushButton::clicked, this, handler);
        return pushButton;
    };
    button(Res::IDC_PLAYLIST_TOGGLE, QString(), dialogRect(0, 221, 7, 25),
           &PlayerWindow::TogglePlaylistWindow);
    button(Res::IDC_OPEN, QStringLiteral("打开"), dialogRect(13, 230, 37, 15),
           &PlayerWindow::OpenFiles);
    m_playPause = button(Res::IDC_PLAYPAUSE, PlayCaption(), dialogRect(52, 230, 37, 15),
                         &PlayerWindow::OnPlayPause);
    button(Res::IDC_STOP, QStringLiteral("停止"), dialogRect(91, 230, 37, 15),
           &PlayerWindow::OnStop);
    button(Res::IDC_PREVIOUS, QStringLiteral("上一部"), dialogRect(130, 230, 37, 15),
           &PlayerWindow::PlayPrevious);
    button(Res::IDC_NEXT, QStringLiteral("下一部"), dialogRect(169, 230, 37, 15),
           &PlayerWindow::PlayNext);
    button(Res::IDC_ABOUT, QStringLiteral("关于"), dialogRect(208, 230, 37, 15),
           &PlayerWindow::OnAbout);
}

// The start-up sequence, in its fixed order. A list file that cannot be read
// is reported and the sequence goes on, so the seek bar follows playback
// from the first run on.
void PlayerWindow::RunStartUpSequence(const QByteArrayList &namedFiles)
{
    const QByteArrayList files = existingFiles(namedFiles);
    RefreshPathLine();                              // 1. the path line shows currentPath
    AddAboutEntryToWindowMenu();                    // 2.
    setWindowIcon(Res::applicationIcon());          // 3. resource 128
    startDirectory = currentDirectory();            // 4.
    fullScreenArmed = true;                         // 5.
    ApplySkin();                                    // 6.
    LoadStartUpMovie(files);                        // 7.
    ShowMasterVolume();                             // 8.
    CreatePlaylistWindowDocked(DockedShow::Hidden); // 9.
    LoadList();                                     // 10.
    AppendAndPlay(files);                           // named files join the list
    m_positionTimer->start();                       // 11.
}

bool PlayerWindow::OpenNamedFiles(const QByteArrayList &paths)
{
    const QByteArrayList files = existingFiles(paths);
    if (files.isEmpty())
        return false;
    AppendAndPlay(files);
    return true;
}

// As the open command does: play, then save the list.
void PlayerWindow::AppendAndPlay(const QByteArrayList &files)
{
    if (files.isEmpty())
        return;
    const qsizetype first = playlist.size();
    playlist += files;
    if (m_playlistWindow)
        m_playlistWindow->AppendLines(files);
    PlayEntry(int(first));
    SaveList();
}

// Named files that exist take the start-up movie's place; the first of them
// plays once the list file has been read.
void PlayerWindow::LoadStartUpMovie(const QByteArrayList &namedFiles)
{
    m_movie->SetBackground(0);
    if (!namedFiles.isEmpty())
        return;
    m_movie->SetMoviePath(ProgramFilePath(StartUpMovieName));
    const qint32 frameCount = m_movie->GetFrameCount();
    m_movie->Play();
    SetPlayPauseCaption(PauseCaption());
    ResetSeekBar(frameCount);
}

QByteArray PlayerWindow::ProgramFilePath(const char *name) const
{
    return startDirectory + '/' + name;
}

void PlayerWindow::OnPlayPause()
{
    if (m_movie->IsPlaying()) {
        SetPlayPauseCaption(PlayCaption());
        m_movie->Stop();
    } else {
        SetPlayPauseCaption(PauseCaption());
        m_movie->SeekToFrame(m_seekBar->value());
        m_movie->Play();
    }
    InvalidateVolumeBar();
}

// Stop rewinds a running movie; a halted one is left as it is.
void PlayerWindow::OnStop()
{
    if (m_movie->IsPlaying()) {
        m_movie->Stop();
        m_movie->Rewind();
        SetPlayPauseCaption(PlayCaption());
        m_seekBar->setValue(0);
    }
    InvalidateVolumeBar();
}

// The about button redraws the volume bar once the box has closed; the
// window menu's entry does not.
void PlayerWindow::OnAbout()
{
    AboutCommands::aboutButton({[this] { RunAboutBox(); }, [this] { InvalidateVolumeBar(); }, {}});
}

// A scroll action of the seek bar, as a scroll code. Positions are full
// 32-bit values, so a drag reaches every frame of a long movie.
void PlayerWindow::OnSeekAction(int action)
{
    // The bar's position before the action: Qt has moved only the slider
    // position so far.
    const int p = m_seekBar->value();
    const int min = m_seekBar->minimum();
    const int max = m_seekBar->maximum();
    // No page size is ever set, so a page moves by nothing.
    constexpr int pageSize = 0;
    int position = p;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        if (p > min)
            position = p - 1;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        if (p < max)
            position = p + 1;
        break;
    case QAbstractSlider::SliderPageStepSub:
        if (p > min)
            position = std::max(min, p - pageSize);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        if (p < max)
            position = std::min(max, p + pageSize);
        break;
    case QAbstractSlider::SliderMove: // thumb track: the position carried
        position = m_seekBar->sliderPosition();
        break;
    case QAbstractSlider::SliderToMinimum:
        position = min;
        break;
    case QAbstractSlider::SliderToMaximum:
        position = max;
        break;
    default:
        break;
    }
    SeekTo(position);
}

// The thumb was released: the final thumb position.
void PlayerWindow::OnThumbPosition()
{
    SeekTo(m_seekBar->sliderPosition());
}

// The mouse operation on the bar has ended: the position stays, and like
// every scroll code it seeks there and plays.
void PlayerWindow::OnEndScroll()
{
    SeekTo(m_seekBar->value());
}

// Seeking always plays, even a halted movie, and leaves the button's caption
// as it is.
void PlayerWindow::SeekTo(int position)
{
    m_seekBar->setValue(position);
    m_movie->SeekToFrame(position);
    m_movie->Play();
    InvalidateVolumeBar();
}

void PlayerWindow::OnTimer()
{
    if (m_movie->IsPlaying())
        m_seekBar->setValue(m_movie->GetFramePosition());
}

void PlayerWindow::RefreshPathLine()
{
    m_pathLine->setText(QFile::decodeName(currentPath));
}

void PlayerWindow::SetPlayPauseCaption(const QString &caption)
{
    m_playPause->setText(caption);
}

void PlayerWindow::ResetSeekBar(qint32 frameCount)
{
    // The range is 0 ... the frame count, the count included.
    m_seekBar->setRange(0, frameCount);
    m_seekBar->setValue(0);
}

void PlayerWindow::InvalidateVolumeBar()
{
    m_volumeBar->Invalidate();
}

void PlayerWindow::ReportFileError(const FileError &error)
{
    m_services.errorReporter->ReportError(this, error.message());
}

QRect PlayerWindow::ClientRectOnScreen() const
{
    return QRect(mapToGlobal(QPoint(0, 0)), size());
}

void PlayerWindow::ApplySkin()
{
    if (m_services.skinPlayerWindow)
        m_services.skinPlayerWindow(this, m_skinHost, startDirectory);
}

// Start-up step 8: the master output is unmuted at every start and the bar
// shows its volume.
void PlayerWindow::ShowMasterVolume()
{
    m_volumeBar->StartUp();
}

// Pre-translation step 1, for every left-button release in the window or a
// child: a release over the bar sets the volume there. Never consumed.
void PlayerWindow::ClickVolumeBar()
{
    m_volumeBar->OnLeftButtonUp();
}

// The window's own left-button release: over the bar it switches the master
// output on; the default handling follows.
void PlayerWindow::ReleaseOnWindow()
{
    m_volumeBar->OnOwnLeftButtonUp();
}

void PlayerWindow::RunAboutBox()
{
    if (!m_services.aboutBoxFactory)
        return;
    if (const std::shared_ptr<QDialog> box = m_services.aboutBoxFactory(this))
        box->exec();
}
