// qel-unit-sim: a simulated QEL unit on a pseudo-terminal, for running the program without one.

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <variant>
#include <vector>

#include "files/ImageFile.h"
#include "sim/ConsoleCommands.h"
#include "sim/GeneratedKeys.h"
#include "sim/PtyUnitServer.h"
#include "sim/SimulatedUnit.h"
#include "texts/Cp1250.h"

namespace {

std::atomic<bool> stopRequested{false};

void RequestStop(int) { stopRequested.store(true); }

constexpr std::string_view kUsage =
    "Usage: qel-unit-sim [options]\n"
    "Serves a simulated QEL unit on a pseudo-terminal and prints the device path to open.\n"
    "\n"
    "  --image FILE.kym     start from this memory image and its settings\n"
    "  --keys N             start with N generated valid keys, 0 to 65536\n"
    "  --code NNNN          access code, 0 to 9999 (default 4719)\n"
    "  --name TEXT          elevator name (characters of Windows-1250)\n"
    "  --record-size N      bytes per key record, 15 to 250 (default 100)\n"
    "  --hold-key-after S   after S seconds (0 to 86400) hold the key of record 0 at the reader\n"
    "                       for 5 seconds\n"
    "  -h, --help           show this text\n"
    "\n"
    "While it runs it reads commands from its standard input, one a line (type help).\n"
    "Stop it with Ctrl+C.\n";

struct Options {
  qel::sim::UnitConfig config;
  std::optional<std::string> image;
  std::optional<int> keys;
  std::optional<int> holdKeyAfter;
};

constexpr std::chrono::seconds kKeyHeldFor{5};

// The key of record 0, or a valid key the unit does not know when record 0 holds none.
qel::KeyCode KeyToPresent(const qel::sim::SimulatedUnit& unit) {
  qel::KeyCode code{};
  const auto memory = unit.Memory();
  std::copy_n(memory.begin(), code.size(), code.begin());
  const bool used =
      std::any_of(code.begin(), code.end(), [](std::uint8_t b) { return b != 0x00 && b != 0xFF; });
  if (used) return code;
  const qel::ImageBytes stranger = qel::sim::GenerateKeyMemory(1, unit.RecordSize(), 2);
  std::copy_n(stranger.begin(), code.size(), code.begin());
  return code;
}

std::optional<int> Number(std::string_view text, int low, int high) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < low || value > high) return std::nullopt;
  return value;
}

// Returns no options (after saying why on stderr) when the command line is wrong.
std::optional<Options> Parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--help" || option == "-h") {
      std::cout << kUsage;
      std::exit(0);
    }
    if (i + 1 >= argc) {
      std::cerr << "qel-unit-sim: unknown option or missing value: " << option << "\n" << kUsage;
      return std::nullopt;
    }
    const std::string_view value = argv[++i];
    std::optional<int> number;
    if (option == "--image") {
      options.image = std::string(value);
      continue;
    }
    if (option == "--name") {
      // The unit keeps its name in Windows-1250, as the program writes it; the terminal types UTF-8.
      const qel::Cp1250Encoded name = qel::Utf8ToCp1250(value);
      if (!name.Complete()) {
        std::cerr << "qel-unit-sim: --name " << value << ": a character has no Windows-1250 byte\n";
        return std::nullopt;
      }
      options.config.name = name.bytes;
      continue;
    }
    if (option == "--code" && (number = Number(value, 0, 9999))) {
      options.config.accessCode = *number;
    } else if (option == "--record-size" && (number = Number(value, 15, 250))) {
      options.config.recordSize = *number;
    } else if (option == "--keys" && (number = Number(value, 0, 65536))) {
      options.keys = *number;
    } else if (option == "--hold-key-after" && (number = Number(value, 0, 86400))) {
      options.holdKeyAfter = *number;
    } else {
      std::cerr << "qel-unit-sim: bad option or value: " << option << " " << value << "\n" << kUsage;
      return std::nullopt;
    }
  }
  if (options.image && options.keys) {
    std::cerr << "qel-unit-sim: --image and --keys both fill the memory; give one\n";
    return std::nullopt;
  }
  return options;
}

void RunCommand(const qel::sim::ConsoleCommand& command, qel::sim::PtyUnitServer& server,
                std::mt19937& random) {
  using namespace qel::sim;
  if (const auto* hold = std::get_if<HoldCommand>(&command)) {
    const std::optional<qel::KeyCode> code = ChooseKey(hold->key, server.StoredKeys(), random);
    if (!code) {
      std::cerr << "qel-unit-sim: no stored key has ID " << std::get<StoredKeyId>(hold->key).id
                << "; type keys for the list\n";
      return;
    }
    server.HoldKeyFor(*code, hold->duration);
    std::cout << "holding " << qel::KeyCodeToText(*code) << " for " << hold->duration.count() << " s"
              << std::endl;
  } else if (std::holds_alternative<ReleaseCommand>(command)) {
    server.ReleaseHeldKey();
    std::cout << "released" << std::endl;
  } else if (std::holds_alternative<KeysCommand>(command)) {
    const std::vector<StoredKey> keys = server.StoredKeys();
    for (const StoredKey& key : keys)
      std::cout << key.id << '\t' << key.keyText << '\t' << key.comment << '\n';
    std::cout << keys.size() << " keys stored" << std::endl;
  } else if (std::holds_alternative<HelpCommand>(command)) {
    std::cout << qel::sim::kConsoleHelp << std::flush;
  }
}

void RunLine(std::string_view line, qel::sim::PtyUnitServer& server, std::mt19937& random) {
  const qel::sim::ParsedLine parsed = qel::sim::ParseConsoleLine(line);
  if (parsed.command) {
    RunCommand(*parsed.command, server, random);
  } else {
    std::cerr << "qel-unit-sim: " << parsed.error << std::endl;
  }
}

// Runs the lines of standard input until `stop`; at its end the unit simply goes on being served.
// Polled rather than blocking, so that the thread sees `stop` and can be joined.
void ReadCommands(qel::sim::PtyUnitServer& server, const std::atomic<bool>& stop) {
  std::mt19937 random(std::random_device{}());
  std::string pending;
  std::array<char, 512> chunk{};
  while (!stop.load()) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    const int ready = ::poll(&input, 1, static_cast<int>(qel::sim::PtyUnitServer::kStopCheck.count()));
    if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
    const ssize_t n = ready < 0 ? -1 : ::read(STDIN_FILENO, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    pending.append(chunk.data(), static_cast<std::size_t>(n));
    for (std::size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
      RunLine(std::string_view(pending).substr(0, end), server, random);
      pending.erase(0, end + 1);
    }
  }
  if (!pending.empty() && !stop.load()) RunLine(pending, server, random);
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<Options> options = Parse(argc, argv);
  if (!options) return 2;

  qel::ImageBytes image{};
  if (options->image) {
    qel::ImageSettings settings{};
    const qel::FileResult loaded = qel::LoadImageFile(*options->image, image, settings);
    if (!loaded.Ok()) {
      std::cerr << "qel-unit-sim: " << *options->image << ": " << loaded.Message(qel::Language::English)
                << "\n";
      return 1;
    }
    options->config.accessTime = settings.accessTime;
    options->config.recordSize = settings.recordSize;
    options->config.relaySetup =
        static_cast<std::uint8_t>((settings.relayInversion != 0 ? qel::unit::kRelayInversionBit : 0) |
                                  (settings.mainRelayInversion != 0 ? qel::unit::kMainRelayInversionBit : 0));
  }

  qel::sim::SimulatedUnit unit(options->config);
  if (options->image) unit.LoadMemory(image);
  if (options->keys)
    unit.LoadMemory(qel::sim::GenerateKeyMemory(*options->keys, options->config.recordSize, 1));

  qel::sim::PtyUnitServer server(unit);
  if (!server.Open()) {
    std::cerr << "qel-unit-sim: " << server.LastError() << "\n";
    return 1;
  }
  if (options->holdKeyAfter) {
    server.PresentKey(KeyToPresent(unit), std::chrono::seconds{*options->holdKeyAfter}, kKeyHeldFor);
  }
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  std::cout << server.SlavePath() << std::endl;
  // Whoever starts it bare is most likely trying it out for the first time.
  if (argc == 1)
    std::cerr << "Connect to it with: qel-key --port 1=" << server.SlavePath()
              << "\n(qel-unit-sim --help lists the options)" << std::endl;
  std::thread commands([&server] { ReadCommands(server, stopRequested); });
  const bool served = server.Serve(stopRequested);
  stopRequested.store(true);
  commands.join();
  if (!served) {
    std::cerr << "qel-unit-sim: " << server.LastError() << "\n";
    return 1;
  }
  return 0;
}
