#include "platform/shell/Shell.h"

#include "platform/text/Cp932.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace platform {

namespace {

QString fromSjis(const std::string& text) {
    return QString::fromStdString(SjisToUtf8(text));
}

// The first line a helper program prints, or "" when it is missing or fails.
QString firstLineOf(const QString& program, const QStringList& arguments) {
    if (QStandardPaths::findExecutable(program).isEmpty()) return {};
    QProcess process;
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return {};
    return QString::fromUtf8(process.readAllStandardOutput()).section('\n', 0, 0).trimmed();
}

// The Exec key of a desktop entry's main group.
QString execOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    bool inEntry = false;
    while (!file.atEnd()) {
        QString line = QString::fromUtf8(file.readLine(64 * 1024)).trimmed();
        if (line.startsWith('['))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.startsWith(QLatin1String("Exec=")))
            return line.mid(5).trimmed();
    }
    return {};
}

} // namespace

bool StartDetached(const std::string& program, const std::vector<std::string>& arguments) {
    QStringList args;
    for (const std::string& a : arguments)
        args << fromSjis(a);
    return QProcess::startDetached(fromSjis(program), args);
}

bool ShellOpen(const std::string& target) {
    return StartDetached("xdg-open", {target});
}

std::string DefaultBrowserExec() {
    QString desktop = firstLineOf("xdg-settings", {"get", "default-web-browser"});
    if (!desktop.endsWith(QLatin1String(".desktop")))
        desktop = firstLineOf("xdg-mime", {"query", "default", "x-scheme-handler/http"});
    if (!desktop.endsWith(QLatin1String(".desktop")) || desktop.contains('/')) return {};
    // Folders named "vendor-app.desktop" may also be "vendor/app.desktop".
    QStringList names{desktop};
    if (desktop.contains('-')) names << QString(desktop).replace(desktop.indexOf('-'), 1, '/');
    for (const QString& folder :
         QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation))
        for (const QString& name : names) {
            QString exec = execOf(QDir(folder).filePath(name));
            if (!exec.isEmpty()) return exec.toStdString();
        }
    return {};
}

std::vector<std::string> SplitExecLine(std::string_view exec) {
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false, quoted = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size() &&
                std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos)
                current += exec[++i];
            else if (c == '"')
                quoted = false;
            else
                current += c;
        } else if (c == ' ' || c == '\t') {
            if (inArgument) args.push_back(std::move(current));
            current.clear();
            inArgument = false;
        } else {
            inArgument = true;
            if (c == '"')
                quoted = true;
            else
                current += c;
        }
    }
    if (inArgument) args.push_back(std::move(current));
    return args;
}

std::string ClipboardText() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) return {};
    return Utf16ToSjis(QGuiApplication::clipboard()->text().toStdU16String());
}

} // namespace platform
