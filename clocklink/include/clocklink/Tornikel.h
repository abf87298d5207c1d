// Tornikel: the modem-information provider behind the modem object. It
// answers the five modem-information calls from a text file of modem
// definitions.
//
// Location: the file named by the environment variable VELTA_MODEMS, else
// MODEMS.INI in the data folder (the working directory). It is read afresh
// on every call, so an edited file takes effect at once.
//
// Format (see clocklink/MODEMS.md): one section per modem, the section name
// being the modem (driver) name; inside it `Com=<n>` (COM port number),
// `Init=<text>` (initialisation string, sent as "AT" & text) and
// `Command<n>=<text>` (further command texts). Names and keys are matched
// without regard to case; blanks around names, keys and values are dropped;
// lines starting with ';' or '#' are comments; the first definition wins.
//
// Buffer calls follow the caller's convention: the caller passes a buffer of
// 255 blanks; the text is written at its start followed by one NUL, the rest
// stays blank (texts longer than 254 bytes are cut).
#pragma once
#include <string>
#include <vector>

namespace clocklink {

struct ModemDefinition {
  std::string name;
  int com = 0;
  bool hasInit = false;
  std::string init;
  std::vector<std::pair<int, std::string>> commands;  // (number, text)
};

// Parses the definitions text (CRLF or LF lines). Never fails: lines it does
// not understand are skipped.
std::vector<ModemDefinition> parseModemDefinitions(const std::string& text);

// Path of the definitions file as the provider uses it now.
std::string modemDefinitionsPath();

namespace tornikel {

// Number of modems defined; -1 when the definitions file cannot be read.
long GetModemCount();
// Name of modem `index` (0-based, file order); < 0 when there is none.
long GetModemName(std::string& buffer, int index);
// Command text `command` of the driver; command 3 is the initialisation
// string. < 0 when the driver or the command is unknown.
long GetModemCommand(std::string& buffer, const std::string& driver, int command);
// Initialisation string of the driver (command 3); < 0 when it has none.
long GetModemInitString(std::string& buffer, const std::string& driver, int command);
// COM port number of the driver; 0 when there is no such modem.
long GetModemCom(const std::string& driver);

}  // namespace tornikel
}  // namespace clocklink
