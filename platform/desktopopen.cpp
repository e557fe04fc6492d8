#include "platform/desktopopen.h"

#include "platform/folders.h"

#include <QElapsedTimer>
#include <QProcess>

namespace platform {

std::optional<bool> openWithDesktop(const QString& target, const std::function<void()>& waitStep)
{
    const QString opener = findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return std::nullopt;
    auto* process = new QProcess;
    process->setProgram(opener);
    process->setArguments({target});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted(3000)) {
        delete process;
        return false;
    }
    // Desktop openers hand the address over and end within a moment; their exit code says
    // whether anything could open it.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 2500) {
        if (process->waitForFinished(20)) {
            const bool ok =
                process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
            delete process;
            return ok;
        }
        if (waitStep)
            waitStep();
    }
    // Still running: it runs the browser itself. It is reaped when it ends, never killed.
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    return true;
}

} // namespace platform
