#include "logwindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextCursor>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

QPointer<LogWindow> logWindow;

LogMessage make_LogMessage(QtMsgType type, QMessageLogContext const& context, QString const& text)
{
    // The program's own messages carry no file or function: keep them empty, never null.
    return {type, QString::fromLocal8Bit(context.file ? context.file : ""), context.line,
            QString::fromLocal8Bit(context.function ? context.function : ""), text};
}

QByteArray stderr_line(LogMessage const& m)
{
    char const* prefix = nullptr;
    switch (m.type) {
    case QtDebugMsg: prefix = "Debug"; break;
    case QtInfoMsg: prefix = "Info"; break;
    case QtWarningMsg: prefix = "Warning"; break;
    case QtCriticalMsg: prefix = "Critical"; break;
    case QtFatalMsg: prefix = "Fatal"; break;
    }
    if (!prefix)
        return {};
    return QByteArray(prefix) + ": " + m.text.toLocal8Bit() + " (" + m.file.toLocal8Bit() + ':'
           + QByteArray::number(uint(m.line)) + ", " + m.function.toLocal8Bit() + ")\n";
}

namespace {

QString browser_text(LogMessage const& m)
{
    switch (m.type) {
    case QtDebugMsg: return LogWindowDialog::tr("Debug: %1").arg(m.text);
    case QtInfoMsg: return LogWindowDialog::tr("%1").arg(m.text);
    case QtWarningMsg: return LogWindowDialog::tr("Warning: %1").arg(m.text);
    case QtCriticalMsg: return LogWindowDialog::tr("CRITICAL: %1").arg(m.text);
    case QtFatalMsg: return LogWindowDialog::tr("FATAL: %1").arg(m.text);
    }
    return {};
}

} // namespace

void write_stderr_line(LogMessage const& message)
{
    QByteArray const line = stderr_line(message);
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    for (qint64 done = 0; done < line.size();) {
        ssize_t const n = ::write(STDERR_FILENO, line.constData() + done, size_t(line.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += n;
    }
}

LogWindowDialog::LogWindowDialog(QWidget* parent)
    : QDialog(parent)
{
    textBrowser = new QTextBrowser(this);
    clearButton = new QPushButton(tr("clear"), this);
    saveButton = new QPushButton(tr("save output"), this);
    reportButton = new QPushButton(tr("save support report"), this);
    hideButton = new QPushButton(tr("hide log"), this);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch(10);
    buttons->addWidget(clearButton);
    buttons->addWidget(saveButton);
    buttons->addWidget(reportButton);
    buttons->addWidget(hideButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(textBrowser);
    layout->addLayout(buttons);
    resize(600, 400);
    textBrowser->document()->setMaximumBlockCount(max_lines);
    QScrollBar* bar = textBrowser->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) {
        if (!scrolling)
            follow = value >= bar->maximum();
    });
    connect(bar, &QScrollBar::rangeChanged, this, [this] {
        if (follow)
            scrollToEnd();
    });
    askSaveFileName = [](QWidget* parent, QString const& caption, QString const& file,
                         QString const& filter) {
        return QFileDialog::getSaveFileName(parent, caption, file, filter);
    };

    connect(clearButton, &QPushButton::clicked, textBrowser, &QTextBrowser::clear);
    connect(saveButton, &QPushButton::clicked, this, &LogWindowDialog::save);
    connect(hideButton, &QPushButton::clicked, this, [this] { hide(); }, Qt::DirectConnection);
}

void LogWindowDialog::outputMessage(LogMessage const& message)
{
    if (stderr_line(message).isEmpty())
        return; // a type this dialog does not know
    append(browser_text(message));
    if (message.type == QtFatalMsg)
        std::abort();
}

// Plain text always: a message is never taken for markup. A poll that logs the same line
// again and again adds a count, not lines.
void LogWindowDialog::append(QString const& text)
{
    QTextCursor cursor(textBrowser->document());
    cursor.movePosition(QTextCursor::End);
    if (text == lastText && !textBrowser->document()->isEmpty()) {
        ++repeats;
        cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, lastLength);
        QString const shown = tr("%1 (repeated %2 times)").arg(text).arg(repeats);
        cursor.insertText(shown);
        lastLength = shown.size();
        return;
    }
    if (!textBrowser->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(text);
    lastText = text;
    repeats = 1;
    lastLength = text.size();
}

void LogWindowDialog::scrollToEnd()
{
    QScrollBar* bar = textBrowser->verticalScrollBar();
    scrolling = true;
    bar->setValue(bar->maximum());
    scrolling = false;
}

void LogWindowDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Lines that came while the dialog was hidden are laid out only now.
    if (follow)
        QTimer::singleShot(0, this, [this] {
            if (follow)
                scrollToEnd();
        });
}

void LogWindowDialog::save()
{
    QString const name = askSaveFileName(
        this, tr("Save Log Output"), QStringLiteral("%1/logfile.txt").arg(QDir::homePath()),
        tr("Text Files (*.txt);;All Files (*)"));
    if (name.isEmpty())
        return;
    // The file is replaced only once all of it is written: a full disk leaves the old file
    // (or none), never a cut one, and says so.
    QSaveFile file(name);
    bool saved = file.open(QIODevice::WriteOnly);
    if (saved) {
        QByteArray const bytes = textBrowser->toPlainText().toUtf8();
        saved = file.write(bytes) == bytes.size() && file.commit();
    }
    if (!saved)
        QMessageBox::warning(this, tr("Error"),
                             tr("<nobr>File '%1'<br/>cannot be opened for writing.<br/><br/>"
                                "The log output could <b>not</b> be saved!</nobr>")
                                 .arg(name.toHtmlEscaped()),
                             QMessageBox::Ok);
}

void LogWindowDialog::closeEvent(QCloseEvent* event)
{
    event->accept();
}

void LogWindowDialog::keyPressEvent(QKeyEvent* event)
{
    // Escape and Return must not close the log.
    event->ignore();
}

LogWindow::LogWindow(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<LogMessage>();
    dialog = new LogWindowDialog;
    connect(this, &LogWindow::sendMessage, dialog, &LogWindowDialog::outputMessage);
}

LogWindow::~LogWindow()
{
    delete dialog;
}

void LogWindow::outputMessage(QtMsgType type, QMessageLogContext const& context, QString const& msg)
{
    LogMessage const m = make_LogMessage(type, context, msg);
    write_stderr_line(m);
    emit sendMessage(m);
}

QRect LogWindow::placement(QRect mainFrame, QSize size, QRect available)
{
    QRect const right(QPoint(mainFrame.right() + 1, mainFrame.top()), size);
    QRect const left(QPoint(mainFrame.left() - size.width(), mainFrame.top()), size);
    for (QRect const& candidate : {right, left})
        if (available.contains(candidate))
            return candidate;
    int const x = qMax(available.left(), qMin(right.left(), available.right() + 1 - size.width()));
    int const y = qMax(available.top(), qMin(right.top(), available.bottom() + 1 - size.height()));
    return QRect(QPoint(x, y), size);
}

namespace {

// The title bar and borders around a top-level window; none until the window manager has
// framed it.
QMargins frame_of(QWidget const* window)
{
    QRect const inner = window->geometry();
    QRect const outer = window->frameGeometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                    outer.right() - inner.right(), outer.bottom() - inner.bottom());
}

// A window shown for the first time is framed by the window manager only after a round trip;
// until its own frame is known, the main window's (the same window manager's) stands in.
void place_beside(QDialog* dialog, QMainWindow* mainWindow)
{
    QScreen* screen =
        mainWindow->screen() ? mainWindow->screen() : QGuiApplication::primaryScreen();
    QMargins frame = frame_of(dialog);
    if (frame.isNull())
        frame = frame_of(mainWindow);
    QRect const placed = LogWindow::placement(mainWindow->frameGeometry(),
                                              dialog->geometry().marginsAdded(frame).size(),
                                              screen->availableGeometry());
    dialog->setGeometry(placed.marginsRemoved(frame));
}

} // namespace

void LogWindow::toggle_visibility(QMainWindow* mainWindow)
{
    if (dialog->isVisible()) {
        dialog->hide();
        return;
    }
    dialog->show();
    place_beside(dialog, mainWindow);
    if (!frame_of(dialog).isNull())
        return;
    // Placed again once the window manager has framed it (without one, no frame ever comes).
    auto* framing = new QTimer(dialog);
    framing->setInterval(20);
    QPointer<QMainWindow> main(mainWindow);
    int waited = 0;
    connect(framing, &QTimer::timeout, dialog, [this, framing, main, waited]() mutable {
        bool const framed = !frame_of(dialog).isNull();
        if (framed && main && dialog->isVisible())
            place_beside(dialog, main);
        if (framed || ++waited >= 100 || !dialog->isVisible())
            framing->deleteLater();
    });
    framing->start();
}

void logWindowMessageHandler(QtMsgType type, QMessageLogContext const& context,
                             QString const& message)
{
    LogWindow* relay = logWindow.data();
    if (!relay)
        return;
    // Standard error gets the line here, in the logging thread: a queued copy would be lost
    // once the event loop has ended (and Qt aborts right after a fatal message).
    relay->outputMessage(type, context, message);
}
