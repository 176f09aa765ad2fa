#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace qel {

struct PortAssignment {
  int number = 0;
  std::string path;
};

// What the command line asks of this run. With no options the program behaves as it always has.
struct StartOptions {
  // --port N=PATH, in the order given.
  std::vector<PortAssignment> ports;
  // --demo: a simulated unit on a pseudo-terminal, as COM1.
  bool demo = false;
};

// The COM number the demo unit takes.
inline constexpr int kDemoPort = 1;

// Declares the program's options on `parser`.
void AddStartOptions(QCommandLineParser& parser);

struct StartOptionsResult {
  StartOptions options;
  QString error;  // empty when the options are usable
};

// Reads the options from a parser that has parsed the command line successfully.
StartOptionsResult ReadStartOptions(const QCommandLineParser& parser);

// One line for each assigned path that cannot be a serial port now: the option and the reason.
QStringList PortWarnings(const StartOptions& options);

}  // namespace qel
