#include "disc/process_disc_tools.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QStringList>
#include <csignal>

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
    // The folder's name may hold bytes that are no UTF-8, which Qt would not
    // pass on: the child enters it through a descriptor opened here.
    const int folder = ::open(run.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return {true, false, -1, "cannot enter " + run.folder + "\n"};
    const struct Closer {
      int fd;
      ~Closer() { ::close(fd); }
    } closer{folder};
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setChildProcessModifier([parent = ::getpid(), folder] {
      DieWithParent(parent);
      if (::fchdir(folder) != 0) ::_exit(127);
    });
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

  bool Installed(const std::string& program) const override {
    return !QStandardPaths::findExecutable(QString::fromStdString(program)).isEmpty();
  }

 private:
  // In the child, before the tool starts: it ends with the program however
  // the program ends (a killed render leaves no tool writing on), and
  // hears a closed pipe as tools usually do.
  static void DieWithParent(pid_t parent) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);  // the parent is gone already
    ::signal(SIGPIPE, SIG_DFL);
  }
};

}  // namespace

std::unique_ptr<DiscTools> CreateProcessDiscTools() { return std::make_unique<ProcessDiscTools>(); }

}  // namespace sonavix
