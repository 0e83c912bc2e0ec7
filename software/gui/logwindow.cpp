#include "logwindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QTextStream>
#include <QThread>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>

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

void write_stderr(QByteArray const& line)
{
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
}

} // namespace

LogWindowDialog::LogWindowDialog(QWidget* parent)
    : QDialog(parent)
{
    textBrowser = new QTextBrowser(this);
    clearButton = new QPushButton(tr("clear"), this);
    saveButton = new QPushButton(tr("save output"), this);
    hideButton = new QPushButton(tr("hide log"), this);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch(10);
    buttons->addWidget(clearButton);
    buttons->addWidget(saveButton);
    buttons->addWidget(hideButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(textBrowser);
    layout->addLayout(buttons);
    resize(600, 400);
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
    QByteArray const line = stderr_line(message);
    if (line.isEmpty())
        return; // a type this dialog does not know
    textBrowser->append(browser_text(message));
    write_stderr(line);
    if (message.type == QtFatalMsg)
        std::abort();
}

void LogWindowDialog::save()
{
    QString const name = askSaveFileName(
        this, tr("Save Log Output"), QStringLiteral("%1/logfile.txt").arg(QDir::homePath()),
        tr("Text Files (*.txt);;All Files (*)"));
    if (name.isEmpty())
        return;
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        QMessageBox::warning(this, tr("Error"),
                             tr("<nobr>File '%1'<br/>cannot be opened for writing.<br/><br/>"
                                "The log output could <b>not</b> be saved!</nobr>")
                                 .arg(name),
                             QMessageBox::Ok);
        return;
    }
    QTextStream out(&file);
    out << textBrowser->toPlainText();
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
    emit sendMessage(make_LogMessage(type, context, msg));
}

void LogWindow::toggle_visibility(QMainWindow* mainWindow)
{
    if (dialog->isVisible()) {
        dialog->hide();
        return;
    }
    dialog->show();
    QRect const main = mainWindow->geometry();
    dialog->setGeometry(QRect(QPoint(main.right(), main.top()), dialog->size()));
}

void logWindowMessageHandler(QtMsgType type, QMessageLogContext const& context,
                             QString const& message)
{
    LogWindow* relay = logWindow.data();
    if (!relay)
        return;
    LogMessage const m = make_LogMessage(type, context, message);
    // Qt aborts as soon as this handler returns from a fatal message; a queued delivery from
    // another thread would never run, so print its trace here.
    if (type == QtFatalMsg && QThread::currentThread() != relay->thread())
        write_stderr(stderr_line(m));
    emit relay->sendMessage(m);
}
