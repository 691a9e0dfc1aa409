#include "disc/process_disc_tools.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

namespace sonavix {

namespace {

class ProcessDiscTools final : public DiscTools {
 public:
  ToolOutcome Run(const ToolRun& run,
                  const std::function<bool(const std::string&)>& watch) override {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : run.environment)
      environment.insert(QString::fromStdString(name), QString::fromStdString(value));
    // The tools' own words are read, not shown: plain English, no colours.
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QString::fromStdString(run.folder));
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    QStringList arguments;
    for (const std::string& argument : run.arguments) arguments << QString::fromStdString(argument);
    process.start(QString::fromStdString(run.program), arguments);

    ToolOutcome outcome;
    if (!process.waitForStarted(-1)) return outcome;
    outcome.started = true;
    while (!process.waitForFinished(100)) {
      outcome.output += process.readAll().toStdString();
      if (process.state() == QProcess::NotRunning) break;
      if (watch && !watch(outcome.output)) {
        process.kill();
        process.waitForFinished(-1);
        outcome.stopped = true;
        return outcome;
      }
    }
    outcome.output += process.readAll().toStdString();
    if (watch) watch(outcome.output);
    outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return outcome;
  }
};

}  // namespace

std::unique_ptr<DiscTools> CreateProcessDiscTools() { return std::make_unique<ProcessDiscTools>(); }

}  // namespace sonavix
