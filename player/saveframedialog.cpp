#include "player/saveframedialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QString sizeText(QSize size)
{
    return QStringLiteral("%1 × %2").arg(size.width()).arg(size.height());
}

} // namespace

SaveFrameDialog::SaveFrameDialog(const QByteArray &suggestedPath, QSize movieSize, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("saveFrameDialog"));
    setWindowTitle(QStringLiteral("保存画面"));
    m_ownSize = new QRadioButton(QStringLiteral("原始大小 (%1)").arg(sizeText(movieSize)), this);
    m_ownSize->setObjectName(QStringLiteral("ownSize"));
    m_ownSize->setChecked(true);
    m_doubleSize =
        new QRadioButton(QStringLiteral("两倍大小 (%1)").arg(sizeText(movieSize * 2)), this);
    m_doubleSize->setObjectName(QStringLiteral("doubleSize"));
    auto *sizes = new QVBoxLayout;
    sizes->addWidget(m_ownSize);
    sizes->addWidget(m_doubleSize);

    m_path = new QLineEdit(QFile::decodeName(suggestedPath), this);
    m_path->setObjectName(QStringLiteral("path"));
    m_path->setMinimumWidth(320);
    auto *browseButton = new QPushButton(QStringLiteral("浏览..."), this);
    browseButton->setObjectName(QStringLiteral("browse"));
    browseButton->setAutoDefault(false);
    connect(browseButton, &QPushButton::clicked, this, &SaveFrameDialog::browse);
    auto *file = new QHBoxLayout;
    file->addWidget(m_path);
    file->addWidget(browseButton);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Save)->setText(QStringLiteral("保存"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_path, &QLineEdit::textChanged, this, [this, buttons](const QString &text) {
        buttons->button(QDialogButtonBox::Save)->setEnabled(!text.trimmed().isEmpty());
    });

    auto *form = new QFormLayout(this);
    form->setSizeConstraint(QLayout::SetFixedSize);
    form->addRow(QStringLiteral("大小:"), sizes);
    form->addRow(QStringLiteral("文件:"), file);
    form->addRow(buttons);
}

FrameFileChoice SaveFrameDialog::choice() const
{
    QString path = m_path->text().trimmed();
    if (!path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        path += QLatin1String(".png");
    return FrameFileChoice{QFile::encodeName(path), m_doubleSize->isChecked() ? 2 : 1};
}

void SaveFrameDialog::browse()
{
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("保存画面"), m_path->text(), QStringLiteral("PNG 图片 (*.png)"));
    if (!path.isEmpty())
        m_path->setText(path);
}

std::optional<FrameFileChoice> SaveFrameDialog::choose(QWidget *owner, const QByteArray &moviePath,
                                                       QSize movieSize)
{
    const QFileInfo movie(QFile::decodeName(moviePath));
    const QString suggested = movie.absolutePath() + '/' + movie.completeBaseName() + ".png";
    SaveFrameDialog dialog(QFile::encodeName(suggested), movieSize, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}
