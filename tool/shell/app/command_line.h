// The tool's command line: an optional project file, --help and --version.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

namespace kravin::shell {

struct CommandLine {
    std::optional<std::string> projectPath;  // the file named on the command line
    bool help = false;
    bool version = false;
    QString error;     // set for an unknown option
    QString helpText;  // what --help prints
};

// Parses the arguments (the program name first).
CommandLine parseCommandLine(const QStringList& arguments);

}  // namespace kravin::shell
