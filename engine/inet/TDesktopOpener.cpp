#include "engine/inet/TDesktopOpener.h"

#include "engine/inet/Browser.h"
#include "platform/shell/Shell.h"
#include "platform/text/Cp932.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cstdlib>

namespace {

using platform::Utf8ToSjis;

constexpr int kOpenerSeconds = 30;

// What the browser look-up depends on: the environment it reads and the
// desktop files it finds the browser in. A change of any means look again.
std::string desktopStamp() {
    std::string stamp;
    for (const char* name : {"PATH", "HOME", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME",
                             "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP", "BROWSER"}) {
        const char* value = std::getenv(name);
        stamp += std::string(name) + "=" + (value ? value : "") + "\n";
    }
    QStringList files;
    for (const QString& folder :
         QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        files << QDir(folder).filePath("mimeapps.list");
    for (const QString& folder :
         QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation))
        files << folder << QDir(folder).filePath("mimeapps.list");
    for (const QString& file : files) {
        QFileInfo info(file);
        stamp += file.toStdString() + ":" +
                 (info.exists() ? std::to_string(info.lastModified().toMSecsSinceEpoch()) : "-") +
                 "\n";
    }
    return stamp;
}

} // namespace

TDesktopOpener::TDesktopOpener(Failure failed)
    : failed_(std::move(failed)), worker_([this] { run(); }) {}

TDesktopOpener::~TDesktopOpener() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    worker_.join();
}

void TDesktopOpener::OpenLink(const std::string& url) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back({url, true});
    }
    wake_.notify_all();
}

void TDesktopOpener::OpenDocument(const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back({path, false});
    }
    wake_.notify_all();
}

void TDesktopOpener::run() {
    while (true) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        open(job);
    }
}

std::string TDesktopOpener::browserExec() {
    std::string stamp = desktopStamp();
    if (!execKnown_ || stamp != execStamp_) {
        exec_ = platform::DefaultBrowserExec();
        execStamp_ = std::move(stamp);
        execKnown_ = true;
    }
    return exec_;
}

void TDesktopOpener::open(const Job& job) {
    if (job.link) {
        std::vector<std::string> command = BrowserCommand(Utf8ToSjis(browserExec()), job.target);
        if (!command.empty()) {
            std::string program = command.front();
            command.erase(command.begin());
            if (platform::StartDetached(program, command)) return;
            execKnown_ = false; // the browser has gone: look again next time
        }
    }
    std::string why = runOpener(job.target);
    if (!why.empty() && failed_) failed_(why);
}

std::string TDesktopOpener::runOpener(const std::string& target) {
    const QString opener = QStringLiteral("xdg-open");
    if (QStandardPaths::findExecutable(opener).isEmpty())
        return Utf8ToSjis("開けませんでした: ") + target +
               Utf8ToSjis("\n既定のブラウザーも、開くためのプログラム xdg-open も見つかりません。"
                          "xdg-utils パッケージ（と firefox-esr や chromium などのブラウザー）を"
                          "インストールしてください。");
    QProcess process;
    process.setProgram(opener);
    process.setArguments({QString::fromStdString(platform::SjisToUtf8(target))});
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QIODevice::NotOpen);
    if (!process.waitForStarted(5000))
        return Utf8ToSjis("開けませんでした: ") + target +
               Utf8ToSjis("\nxdg-open を起動できません。");
    QDeadlineTimer deadline(kOpenerSeconds * 1000);
    while (!process.waitForFinished(100)) {
        std::lock_guard lock(mutex_);
        if (stopping_ || deadline.hasExpired()) return {};
    }
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0) return {};
    return Utf8ToSjis("開けませんでした: ") + target +
           Utf8ToSjis("\nxdg-open が失敗しました（終了コード ") +
           std::to_string(process.exitCode()) +
           Utf8ToSjis("）。これを開くプログラムがありません: 既定のブラウザーを設定するか、"
                      "firefox-esr や chromium などをインストールしてください。");
}
