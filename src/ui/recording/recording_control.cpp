// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording_control.h"

#include "device/messages.h"
#include "lang/translate.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

#include <filesystem>

namespace velmora {

namespace {

QString qtext(const std::wstring& text)
{
    return QString::fromStdWString(text);
}

std::filesystem::path toPath(const QString& folder)
{
    return std::filesystem::path(folder.toStdWString());
}

QString fromPath(const std::filesystem::path& path)
{
    return QDir::toNativeSeparators(QString::fromStdWString(path.wstring()));
}

} // namespace

QString elapsedText(std::chrono::milliseconds elapsed)
{
    const long long total = elapsed.count() / 1000;
    const long long h = total / 3600, m = total / 60 % 60, s = total % 60;
    return QStringLiteral("%1:%2:%3")
        .arg(h, 2, 10, QLatin1Char('0'))
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'));
}

CRecordingControl::CRecordingControl(QWidget* window, IMessageBox* box)
    : QObject(window)
    , m_box(box)
    , m_window(window)
    , m_action(new QAction(window))
    , m_status(new QLabel(window))
    , m_folder(defaultFolder())
{
    m_action->setObjectName(QStringLiteral("recordReadings"));
    m_action->setCheckable(true);
    m_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    m_action->setShortcutContext(Qt::WindowShortcut);
    // triggered, not toggled: the state follows the recorder, which may refuse to start.
    connect(m_action, &QAction::triggered, this, &CRecordingControl::toggle);
    window->addAction(m_action);

    m_status->setObjectName(QStringLiteral("recordingStatus"));
    m_status->setTextFormat(Qt::RichText);
    m_status->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    m_status->hide();
    connect(m_status, &QLabel::linkActivated, this, [this](const QString&) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(fromPath(m_recorder.file())).absolutePath()));
    });
    m_clock.setInterval(1000);
    connect(&m_clock, &QTimer::timeout, this, &CRecordingControl::showStatus);
    retranslate();
}

CRecordingControl::~CRecordingControl() = default;

QString CRecordingControl::defaultFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .filePath(QStringLiteral("Velmora"));
}

QPushButton* CRecordingControl::createButton(QWidget* parent) const
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QStringLiteral("recordButton"));
    button->setCheckable(true);
    button->setAutoDefault(false);
    button->setText(qtext(translate(L"Zapis")));
    button->setToolTip(m_action->text() + QStringLiteral(" (") +
                       m_action->shortcut().toString(QKeySequence::NativeText) + QLatin1Char(')'));
    button->setChecked(isRecording());
    // Clicks go through the action, so menu, key and button cannot disagree.
    connect(button, &QPushButton::clicked, m_action, &QAction::trigger);
    connect(this, &CRecordingControl::recordingChanged, button, &QPushButton::setChecked);
    return button;
}

void CRecordingControl::retranslate()
{
    m_action->setText(qtext(translate(L"Zapisuj odczyty")));
    if (!m_status->isHidden())
        showStatus();
}

void CRecordingControl::start()
{
    if (isRecording())
        return;
    if (m_recorder.start(toPath(m_folder), m_port.toStdString())) {
        m_clock.start();
        showStatus();
    } else {
        reportFailure();
    }
    m_action->setChecked(isRecording());
    emit recordingChanged(isRecording());
}

void CRecordingControl::stop()
{
    if (!isRecording())
        return;
    m_recorder.stop();
    m_clock.stop();
    showStatus();
    m_action->setChecked(false);
    emit recordingChanged(false);
}

void CRecordingControl::toggle()
{
    if (isRecording())
        stop();
    else
        start();
}

void CRecordingControl::addSample(const TimedDiag& sample)
{
    if (!isRecording())
        return;
    if (!m_recorder.addSample(sample.sample, sample.at.wall))
        reportFailure();
}

void CRecordingControl::linkLost()
{
    if (isRecording() && !m_recorder.linkLost())
        reportFailure();
}

void CRecordingControl::linkRestored(const QString& port)
{
    setPort(port);
}

void CRecordingControl::setPort(const QString& port)
{
    m_port = port;
    m_recorder.setPort(port.toStdString());
}

void CRecordingControl::showStatus()
{
    const QString name = fromPath(m_recorder.file().filename());
    if (isRecording()) {
        m_status->setText(qtext(translate(L"Zapis: %1, %2 odczytów, %3"))
                              .arg(name.toHtmlEscaped())
                              .arg(m_recorder.sampleCount())
                              .arg(elapsedText(m_recorder.elapsed())));
    } else if (!m_recorder.file().empty() && m_recorder.error() == RecorderError::None) {
        m_status->setText(qtext(translate(L"Zapisano %1 odczytów w %2")).arg(m_recorder.sampleCount()).arg(name.toHtmlEscaped()) +
                          QStringLiteral(" <a href=\"folder\">%1</a>").arg(qtext(translate(L"Otwórz folder"))));
    }
    m_status->show();
}

void CRecordingControl::reportFailure()
{
    m_clock.stop();
    const QString file = fromPath(m_recorder.file());
    QString text;
    switch (m_recorder.error()) {
    case RecorderError::CannotCreateFolder:
        text = qtext(translate(L"Nie można utworzyć folderu na zapis odczytów:\n%1\nSprawdź, czy dysk jest dostępny i czy masz prawo zapisu.")).arg(m_folder);
        break;
    case RecorderError::CannotCreateFile:
        text = qtext(translate(L"Nie można utworzyć pliku zapisu odczytów:\n%1\nSprawdź, czy masz prawo zapisu w tym folderze.")).arg(file);
        break;
    case RecorderError::WriteFailed:
    case RecorderError::None:
        text = qtext(translate(L"Zapis odczytów przerwany, nie można pisać do pliku:\n%1\nOdczyty zapisane do tej chwili zostały w pliku. Zwolnij miejsce na dysku i włącz zapis ponownie.")).arg(file);
        break;
    }
    if (const std::error_code ec = m_recorder.systemError())
        text += QStringLiteral("\n(") + QString::fromLocal8Bit(ec.message()) + QLatin1Char(')');
    m_action->setChecked(false);
    m_status->setText(qtext(translate(L"Zapis przerwany")) +
                      QStringLiteral(" <a href=\"folder\">%1</a>").arg(qtext(translate(L"Otwórz folder"))));
    m_status->setToolTip(text);
    m_status->show();
    emit recordingChanged(false);
    emit failed(text);
    reportMessage(m_box, text.toStdWString(), kCaption, MB_ERROR);
}

} // namespace velmora
