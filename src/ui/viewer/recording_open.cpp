// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording_open.h"

#include "recording_window.h"

#include "ui/recording/recording_control.h"

#include "device/messages.h"
#include "lang/translate.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <thread>

namespace velmora {

using namespace analysis;

namespace {

QString qt(const std::wstring& text)
{
    return QString::fromStdWString(text);
}

bool isRecordingFile(const QUrl& url)
{
    return url.isLocalFile() && url.toLocalFile().endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
}

class CDropOpener : public QObject {
public:
    CDropOpener(QWidget* window, ViewerContext context)
        : QObject(window), m_window(window), m_context(std::move(context))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_window)
            return false;
        if (event->type() == QEvent::DragEnter) {
            auto* drag = static_cast<QDragEnterEvent*>(event);
            const QList<QUrl> urls = drag->mimeData()->urls();
            if (std::any_of(urls.begin(), urls.end(), isRecordingFile)) {
                drag->acceptProposedAction();
                return true;
            }
        } else if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            const QList<QUrl> urls = drop->mimeData()->urls();
            drop->acceptProposedAction();
            // After the drop has finished: the dragging program is not kept waiting
            // while a large file reads.
            QStringList files;
            for (const QUrl& url : urls)
                if (isRecordingFile(url))
                    files << url.toLocalFile();
            QTimer::singleShot(0, m_window, [window = m_window, context = m_context, files] {
                for (const QString& file : files)
                    openRecording(window, file, context);
            });
            return true;
        }
        return false;
    }

private:
    QWidget* m_window;
    ViewerContext m_context;
};

} // namespace

std::wstring recordingErrorText(const QString& path, const ReadSummary& summary, std::uint64_t bytes)
{
    return translate(L"Nie można otworzyć nagrania:") + L"\n" + QDir::toNativeSeparators(path).toStdWString() +
           L"\n\n" + readErrorText(summary, bytes);
}

std::unique_ptr<CRecording> loadRecordingWithProgress(QWidget* parent, const QString& path, IMessageBox* box)
{
    auto recording = std::make_unique<CRecording>();
    std::atomic<std::uint64_t> done{0}, total{1};
    std::atomic<bool> cancel{false}, finished{false};
    ReadSummary summary;
    const std::filesystem::path file(path.toStdWString());
    std::thread reader([&] {
        summary = loadRecording(file, *recording, [&](std::uint64_t d, std::uint64_t t) {
            done = d;
            total = std::max<std::uint64_t>(t, 1);
            return !cancel.load();
        });
        finished = true;
    });

    QProgressDialog progress(qt(translate(L"Otwieranie nagrania…")) + QLatin1Char('\n') + QFileInfo(path).fileName(),
                             qt(translate(L"Anuluj")), 0, 1000, parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (finished) {
            loop.quit();
            return;
        }
        progress.setValue(static_cast<int>(1000.0 * static_cast<double>(done) / static_cast<double>(total)));
        if (progress.wasCanceled())
            cancel = true;
    });
    tick.start(30);
    if (!finished)
        loop.exec();
    reader.join();
    progress.reset();

    if (summary.error == ReadError::Cancelled)
        return nullptr;
    if (summary.error != ReadError::None) {
        std::error_code ec;
        const std::uintmax_t bytes = std::filesystem::file_size(file, ec);
        reportMessage(box, recordingErrorText(path, summary, ec ? 0 : bytes), kCaption,
                      summary.error == ReadError::TooManyRows ? MB_INFO : MB_ERROR);
        if (summary.error != ReadError::TooManyRows)
            return nullptr;
    }
    return recording;
}

CRecordingWindow* openRecording(QWidget* parent, const QString& path, const ViewerContext& context)
{
    std::unique_ptr<CRecording> recording = loadRecordingWithProgress(parent, path, context.messages);
    if (!recording)
        return nullptr;
    auto* window = new CRecordingWindow(path, std::move(recording), context, parent);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

QAction* createOpenRecordingAction(QWidget* window, const ViewerContext& context)
{
    auto* action = new QAction(qt(translate(L"Otwórz &nagranie…")), window);
    action->setObjectName(QStringLiteral("openRecording"));
    QObject::connect(action, &QAction::triggered, window, [window, context] {
        const QString folder = CRecordingControl::defaultFolder();
        const QString path = QFileDialog::getOpenFileName(window, qt(translate(L"Otwórz nagranie")), folder,
                                                          qt(translate(L"Pliki CSV")) + QStringLiteral(" (*.csv)"));
        if (!path.isEmpty())
            openRecording(window, path, context);
    });
    return action;
}

void acceptRecordingDrops(QWidget* window, const ViewerContext& context)
{
    window->setAcceptDrops(true);
    window->installEventFilter(new CDropOpener(window, context));
}

} // namespace velmora
