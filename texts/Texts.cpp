#include "texts/Texts.h"

#include <array>
#include <cstdio>

namespace qel {
namespace {

struct Entry {
  Text id;
  const char* czech;
  const char* english;
};

// Literal pieces joined at compile time: a help text that differs between systems in a few lines
// keeps one copy of the rest.
template <std::size_t... N>
constexpr std::array<char, (N + ...) - sizeof...(N) + 1> Joined(const char (&... parts)[N]) {
  std::array<char, (N + ...) - sizeof...(N) + 1> out{};
  std::size_t at = 0;
  for (const std::string_view part : {std::string_view(parts, N - 1)...})
    for (const char c : part) out[at++] = c;
  return out;
}

// qelctl --help; kept out of the table for its length. The options that name a device, a tool or
// a folder come in a POSIX and a Windows variant.
constexpr char kControlHeadCzech[] =
    "Použití: qelctl [VOLBY] PŘÍKAZ\n"
    "Pracuje s jednotkou QEL po sériové lince stejně jako okno QEL key.\n"
    "\n"
    "Příkazy:\n"
    "  info [--json]             firmware, hodiny, název a nastavení jednotky, počet klíčů\n"
    "  list [--json]             klíče: ID, kód, patra (např. 1,3-5,24), komentář\n"
    "  backup SOUBOR.kym         klíče a nastavení do souboru obrazu paměti\n"
    "  export SOUBOR.csv         klíče jako export CSV okna\n"
    "  add KÓD --floors SEZNAM [--comment TEXT]\n"
    "  add --from-reader [--timeout S] --floors SEZNAM [--comment TEXT]\n"
    "                            nový klíč, zadaný nebo přiložený ke čtečce (výchozí 30 s)\n"
    "  edit ID [--floors SEZNAM] [--comment TEXT]\n"
    "  delete ID\n"
    "  set [--access-time N] [--permanent-access on|off] [--comment-length N]\n"
    "      [--relay-inversion on|off] [--main-relay-inversion on|off] [--name TEXT]\n"
    "      [--clock now|\"RRRR-MM-DD HH:MM:SS\"] [--new-code NNNN]\n"
    "  restore SOUBOR.kym        soubor obrazu paměti do jednotky (asi 4,4 minuty)\n"
    "  clear-keys | clear-logs   smaže v jednotce všechny klíče nebo všechny logy\n"
    "  import SOUBOR.csv         přidá klíče ze souboru CSV ve sloupcích exportu\n"
    "  watch                     vypisuje klíče přiložené ke čtečce, dokud nestisknete Ctrl+C\n"
    "\n"
    "Volby:\n";
constexpr char kControlDevicePosixCzech[] =
    "  --device CESTA            sériové zařízení (např. /dev/ttyUSB0)\n";
constexpr char kControlPortCzech[] =
    "  --port N                  číslo COM N (1 až 70); bez obou se prohledají všechny porty\n";
constexpr char kControlCodePosixCzech[] =
    "  --code NNNN               přístupový kód jednotky (ostatní uživatelé ho vidí v ps)\n"
    "  --code-file SOUBOR        přístupový kód z prvního řádku souboru (chmod 600)\n";
constexpr char kControlMiddleCzech[] =
    "  --bluetooth               port je sériový port Bluetooth\n"
    "  --lang cs|en              jazyk zpráv a hlavičky CSV\n"
    "  --yes                     odpoví ano na otázky, než se v jednotce ztratí data\n"
    "  --force                   přepíše existující výstupní soubor\n"
    "  --verbose                 vypisuje záznam zpráv tak, jak ho ukazuje okno\n";
constexpr char kControlBackupPosixCzech[] =
    "  --backup-dir SLOŽKA       kam jdou automatické zálohy (jinak ~/.local/share/qel-key/backups)\n";
constexpr char kControlTailCzech[] =
    "\n"
    "Přístupový kód: z --code, jinak z --code-file, jinak z proměnné QEL_ACCESS_CODE,\n"
    "jinak 4719.\n"
    "\n"
    "Návratový kód: 0 hotovo, 1 práce se nezdařila, 2 chybné použití nebo vstup (nic\n"
    "nezapsáno), 3 jednotka nenalezena nebo odmítnutý přístupový kód, 130 přerušeno Ctrl+C.\n";
constexpr char kControlHeadEnglish[] =
    "Usage: qelctl [OPTIONS] COMMAND\n"
    "Works with a QEL unit over its serial line as the QEL key window does.\n"
    "\n"
    "Commands:\n"
    "  info [--json]             firmware, clock, name and settings of the unit, key count\n"
    "  list [--json]             the keys: ID, code, floors (e.g. 1,3-5,24), comment\n"
    "  backup FILE.kym           the keys and settings to an image file\n"
    "  export FILE.csv           the keys as the window's CSV export\n"
    "  add CODE --floors LIST [--comment TEXT]\n"
    "  add --from-reader [--timeout S] --floors LIST [--comment TEXT]\n"
    "                            a new key, typed or held at the reader (default 30 s)\n"
    "  edit ID [--floors LIST] [--comment TEXT]\n"
    "  delete ID\n"
    "  set [--access-time N] [--permanent-access on|off] [--comment-length N]\n"
    "      [--relay-inversion on|off] [--main-relay-inversion on|off] [--name TEXT]\n"
    "      [--clock now|\"YYYY-MM-DD HH:MM:SS\"] [--new-code NNNN]\n"
    "  restore FILE.kym          an image file into the unit (about 4.4 minutes)\n"
    "  clear-keys | clear-logs   deletes all keys or all logs in the unit\n"
    "  import FILE.csv           adds the keys of a CSV file in the export's columns\n"
    "  watch                     prints each key held at the reader until Ctrl+C\n"
    "\n"
    "Options:\n";
constexpr char kControlDevicePosixEnglish[] =
    "  --device PATH             the serial device (e.g. /dev/ttyUSB0)\n";
constexpr char kControlPortEnglish[] =
    "  --port N                  COM number N (1 to 70); without either, every port is searched\n";
constexpr char kControlCodePosixEnglish[] =
    "  --code NNNN               the unit's access code (other users see it in ps)\n"
    "  --code-file FILE          the access code from the file's first line (chmod 600)\n";
constexpr char kControlMiddleEnglish[] =
    "  --bluetooth               the port is a Bluetooth serial port\n"
    "  --lang cs|en              the language of messages and of the CSV header\n"
    "  --yes                     answers yes to questions before data on the unit is lost\n"
    "  --force                   replaces an existing output file\n"
    "  --verbose                 prints the message log as the window shows it\n";
constexpr char kControlBackupPosixEnglish[] =
    "  --backup-dir FOLDER       where automatic backups go (else ~/.local/share/qel-key/backups)\n";
constexpr char kControlTailEnglish[] =
    "\n"
    "Access code: --code, else --code-file, else the variable QEL_ACCESS_CODE, else 4719.\n"
    "\n"
    "Exit status: 0 done, 1 the work failed, 2 bad usage or input (nothing written),\n"
    "3 no unit found or the access code refused, 130 stopped with Ctrl+C.\n";
constexpr char kControlDeviceWindowsCzech[] =
    "  --device PORT             sériový port (např. COM3 nebo \\\\.\\COM3)\n";
constexpr char kControlCodeWindowsCzech[] =
    "  --code NNNN               přístupový kód jednotky (ostatní ho mohou vidět v seznamu procesů)\n"
    "  --code-file SOUBOR        přístupový kód z prvního řádku souboru (mějte ho ve svém profilu)\n";
constexpr char kControlBackupWindowsCzech[] =
    "  --backup-dir SLOŽKA       kam jdou automatické zálohy (jinak %LOCALAPPDATA%\\qel-key\\backups)\n";
constexpr char kControlDeviceWindowsEnglish[] =
    "  --device PORT             the serial port (e.g. COM3 or \\\\.\\COM3)\n";
constexpr char kControlCodeWindowsEnglish[] =
    "  --code NNNN               the unit's access code (others may see it in the process list)\n"
    "  --code-file FILE          the access code from the file's first line (keep it in your profile)\n";
constexpr char kControlBackupWindowsEnglish[] =
    "  --backup-dir FOLDER       where automatic backups go (else %LOCALAPPDATA%\\qel-key\\backups)\n";
constexpr auto kControlHelpPosixCzech =
    Joined(kControlHeadCzech, kControlDevicePosixCzech, kControlPortCzech, kControlCodePosixCzech,
           kControlMiddleCzech, kControlBackupPosixCzech, kControlTailCzech);
constexpr auto kControlHelpWindowsCzech =
    Joined(kControlHeadCzech, kControlDeviceWindowsCzech, kControlPortCzech, kControlCodeWindowsCzech,
           kControlMiddleCzech, kControlBackupWindowsCzech, kControlTailCzech);
constexpr auto kControlHelpPosixEnglish =
    Joined(kControlHeadEnglish, kControlDevicePosixEnglish, kControlPortEnglish, kControlCodePosixEnglish,
           kControlMiddleEnglish, kControlBackupPosixEnglish, kControlTailEnglish);
constexpr auto kControlHelpWindowsEnglish =
    Joined(kControlHeadEnglish, kControlDeviceWindowsEnglish, kControlPortEnglish, kControlCodeWindowsEnglish,
           kControlMiddleEnglish, kControlBackupWindowsEnglish, kControlTailEnglish);

// qel-kym --help; the line on the language it starts in comes in a POSIX and a Windows variant.
constexpr char kKymHeadCzech[] =
    "Použití:\n"
    "  qel-kym show SOUBOR.kym [--lang cs|en]\n"
    "      vypíše čtyři nastavení a tabulku klíčů (ID, komentář, klíč, patra) tak,\n"
    "      jak je ukazuje program\n"
    "  qel-kym csv SOUBOR.kym VYSTUP.csv [--lang cs|en]\n"
    "      zapíše export CSV obrazu paměti; hlavička je v jazyce --lang\n"
    "  qel-kym diff A.kym B.kym [--lang cs|en]\n"
    "      vypíše klíče přidané, odebrané a změněné v B oproti A (páruje je podle\n"
    "      kódu) a nastavení, která se liší; vrací 0, jsou-li zálohy stejné,\n"
    "      a 1, liší-li se\n"
    "  qel-kym --help\n"
    "      vypíše tuto nápovědu\n";
constexpr char kKymLanguagePosixCzech[] =
    "Bez --lang platí jazyk systému (čeština pro českou a slovenskou lokalizaci).\n";
constexpr char kKymTailCzech[] =
    "Poškozený soubor hlásí stejné číslo chyby a text jako program a vrací nenulový kód\n"
    "(diff vrací 2).\n";
constexpr char kKymHeadEnglish[] =
    "Usage:\n"
    "  qel-kym show FILE.kym [--lang cs|en]\n"
    "      prints the four settings and the key table (ID, comment, key code, floors)\n"
    "      as the program lists it\n"
    "  qel-kym csv FILE.kym OUT.csv [--lang cs|en]\n"
    "      writes the CSV export of the image; the header is in the --lang language\n"
    "  qel-kym diff A.kym B.kym [--lang cs|en]\n"
    "      lists the keys added, removed and changed in B against A (matched by key\n"
    "      code) and the settings that differ; exit status 0 when the backups are the\n"
    "      same, 1 when they differ\n"
    "  qel-kym --help\n"
    "      prints this help\n";
constexpr char kKymLanguagePosixEnglish[] =
    "Without --lang the system language applies (Czech for a Czech or Slovak locale).\n";
constexpr char kKymTailEnglish[] =
    "A damaged file reports the same error number and text as the program and exits\n"
    "with a non-zero status (2 for diff).\n";
constexpr char kKymLanguageWindowsCzech[] =
    "Bez --lang platí jazyk z proměnné LC_ALL, LC_MESSAGES nebo LANG, a není-li žádná\n"
    "nastavena, jazyk zobrazení Windows (čeština pro češtinu a slovenštinu).\n";
constexpr char kKymLanguageWindowsEnglish[] =
    "Without --lang the language of LC_ALL, LC_MESSAGES or LANG applies, and when none is set\n"
    "the Windows display language (Czech for Czech or Slovak).\n";
constexpr auto kKymHelpPosixCzech = Joined(kKymHeadCzech, kKymLanguagePosixCzech, kKymTailCzech);
constexpr auto kKymHelpWindowsCzech = Joined(kKymHeadCzech, kKymLanguageWindowsCzech, kKymTailCzech);
constexpr auto kKymHelpPosixEnglish = Joined(kKymHeadEnglish, kKymLanguagePosixEnglish, kKymTailEnglish);
constexpr auto kKymHelpWindowsEnglish = Joined(kKymHeadEnglish, kKymLanguageWindowsEnglish, kKymTailEnglish);

// One row per text; the static_assert below keeps the rows in the order of the enum.
// Typed out: deducing the type of so many entries is beyond some compilers' nesting limit.
constexpr std::array<Entry, static_cast<std::size_t>(Text::Count)> kTable{
    Entry{Text::ApplicationCaption, "QEL key", "QEL key"},
    Entry{Text::WarningCaption, "Warning!", "Warning!"},
    Entry{Text::CannotSetComParameters, "Not able to set COM parameters", "Not able to set COM parameters"},
    Entry{Text::CannotSetTimeouts, "Not able to set Timeouts", "Not able to set Timeouts"},
    Entry{Text::TimerError, "Timer error!", "Timer error!"},

    Entry{Text::CriticalError,
          "Zásadní chyba číslo %i!\r\nProsím vypněte a zapněte QEL a pak stiskněte Připojit QEL: program "
          "se připojí znovu a vše znovu načte.",
          "Critical error no. %i!\r\nPlease turn QEL off and on again, then press Connect QEL: the "
          "program connects afresh and reads everything again."},
    Entry{Text::LinkLostError, "Chyba %i - QEL odpojeno.", "Error no. %i - QEL disconnected"},
    Entry{Text::LoggedErrorPrefix, "Chyba %i - ", "Error no. %i - "},

    Entry{Text::ConnectPrompt, "Vložte přístupový kód:", "Insert password:"},
    Entry{Text::SearchingForQel, "Hledám QEL...", "Searching for QEL..."},
    Entry{Text::PortFound, "Nalezen Port COM%i", "Port COM%i found"},
    Entry{Text::QelNotFound, "QEL nenalezeno!", "QEL not found!"},
    Entry{Text::QelNotFoundAt, "QEL nenalezen na COM%i", "QEL not found at COM%i"},
    Entry{Text::QelFoundAt, "QEL nalezen na COM%i", "QEL found at COM%i"},
    Entry{Text::QelConnectedTo, "QEL připojen na COM%i.", "QEL connected to COM%i."},
    Entry{Text::QelNotConnected, "QEL nepřipojen!", "QEL not connected!"},
    Entry{Text::PortAccessDenied,
          "Port COM%s (%s) nelze otevřít: %s. Přidejte svého uživatele do skupiny %s "
          "(sudo usermod -aG %s UŽIVATEL) a přihlaste se znovu.",
          "Port COM%s (%s) cannot be opened: %s. Add your user to the group %s "
          "(sudo usermod -aG %s USER) and log in again."},

    Entry{Text::AccessTimeLoaded, "Čas přístupu načten", "Access time loaded"},
    Entry{Text::AccessTimeError, "Chyba při načítání času přístupu", "Error loading the access time"},
    Entry{Text::AccessTimeWrongValue, "Chyba při načítání času přístupu - chybná hodnota",
          "Error loading the access time - wrong value"},
    Entry{Text::CommentLengthLoaded, "Počet znaků komentáře načten", "Comment length loaded"},
    Entry{Text::CommentLengthError, "Chyba při načítání počtu znaků komentáře",
          "Error loading the comment length"},
    Entry{Text::CommentLengthWrongValue, "Chyba při načítání počtu znaků komentáře - chybná hodnota",
          "Error loading the comment length - wrong value"},
    Entry{Text::RelaySetupLoaded, "Nastavení relé načteno", "Relay setup loaded"},
    Entry{Text::RelaySetupError, "Chyba při načítání nastavení relé", "Error loading relay setup"},
    Entry{Text::ClockError, "Chyba při načítání aktuálního času ve QEL", "Error loading QEL current time"},
    // Czech fills day, month, year, hour, minute; English year, month, day, hour, minute.
    Entry{Text::ClockLine, "Čas ve QEL: %d. %d. 20%0.2d %0.2d:%0.2d",
          "QEL current time: 20%0.2d-%d-%d %0.2d:%0.2d"},
    Entry{Text::ElevatorNameError, "Chyba při načítání názvu výtahu", "Error loading elevator name"},
    Entry{Text::FirmwareVersion, "Verze firmware: ", "QEL firmware version: "},
    Entry{Text::FirmwareMissing, "Nepodařilo se zjistit verzi firmware ve QEL.",
          "QEL firmware version was not loaded"},
    Entry{Text::SummaryPermanentAccess, "Trvalý přístup,     ", "Permanent access,     "},
    Entry{Text::SummaryAccessTime, "Čas přístupu: %i,     ", "Access time: %i,     "},
    Entry{Text::SummaryCommentLength,
          "Počet znaků komentáře: %i,     Inverze relé: ", "Comment length: %i,     Relay inversion: "},
    Entry{Text::SummaryYesComma, "ano,     ", "yes,     "},
    Entry{Text::SummaryNoComma, "ne,     ", "no,     "},
    Entry{Text::SummaryMainRelay, "Inverze hlavního relé: ", "Main relay inversion: "},
    Entry{Text::SummaryYes, "ano", "yes"},
    Entry{Text::SummaryNo, "ne", "no"},

    Entry{Text::KeysLoaded, "Načtení klíčů dokončeno", "Loading keys completed "},

    Entry{Text::KeyDeleted, "Klíč s ID %d byl vymazán!", "Key with ID %d was deleted"},
    Entry{Text::SavingKey, "Ukládám klíč s ID %i", "Saving key with ID %i"},
    Entry{Text::KeySaved, "Klíč byl uložen", "Key saved"},
    Entry{Text::ProgressSavingKey, "Ukládám klíč %i z %i (ID %i)", "Saving key %i of %i (ID %i)"},
    Entry{Text::ProgressDeletingKey, "Mažu klíč s ID %i", "Deleting key with ID %i"},
    Entry{Text::ProgressTimeLeft, "zbývá %s", "%s left"},

    Entry{Text::KeyDialogId, "ID", "ID"},
    Entry{Text::KeyDialogKey, "&Klíč", "&Key"},
    Entry{Text::KeyDialogComment, "K&omentář", "&Comment"},
    Entry{Text::KeyDialogManualEntry, "Zadat klíč &ručně", "Insert key &manually"},
    Entry{Text::KeyDialogAllFloors, "&Vše", "&All"},
    Entry{Text::KeyDialogNextKey, "Zadat &další klíč", "&Insert next key"},
    Entry{Text::AccessibleKeyId, "ID klíče", "Key ID"},
    Entry{Text::WrongKeyCode, "Chybný kód klíče!", "Wrong key code!"},
    Entry{Text::CommentTooLong, "Zadaný komentář je příliš dlouhý,\npočet znaků komentáře je maximálně %i.",
          "Inserted comment is too long,\nmaximum comment length is %i characters."},
    Entry{Text::CommentUnstorableCharacter, "Komentář obsahuje znak %s, který QEL nedokáže uložit.",
          "The comment contains the character %s, which QEL cannot store."},
    Entry{Text::WrongKeyNumber, "Neplatné číslo klíče", "Wrong key number"},
    // The ID and the comment (or code) of the key that holds the code already.
    Entry{Text::KeyAlreadySaved, "Tento klíč je již uložen! Je to klíč %s (%s).",
          "This key has been already saved: it is key %s (%s)."},
    Entry{Text::KeyRecorded, "Klíč byl zaznamenán", "Key recorded"},
    Entry{Text::NoKeyChosen, "Nebyl vybrán žádný klíč!", "No key chosen"},
    Entry{Text::ConfirmDeleteCaption, "QEL", "QEL"},
    // ID, then the key's comment and code, so that the operator sees which key goes.
    Entry{Text::ConfirmDeleteKey, "Opravdu chcete vymazat klíč s ID %s (%s)?",
          "Do you really want to delete key with ID %s (%s)?"},
    Entry{Text::ConfirmCloseWhileWriting,
          "Do jednotky QEL se právě zapisuje. Zavřete-li program nyní, může v ní zůstat napůl zapsaný "
          "klíč. Přesto zavřít?",
          "QEL is being written to. If the program closes now, a key may be left half-written in the "
          "unit. Close anyway?"},
    Entry{Text::KeyAtReaderNow, "Klíč je právě u čtečky", "Key held at the reader now"},
    Entry{Text::KeyLastPresented, "Klíč naposledy přiložený ke čtečce", "Key last presented at the reader"},

    Entry{Text::ButtonAddKeys, "&Přidat klíče", "Add &keys"},
    Entry{Text::ButtonEditKey, "&Upravit klíč", "&Edit key"},
    Entry{Text::ButtonDeleteKey, "&Vymazat klíč", "&Delete key"},
    Entry{Text::ButtonSettings, "&Nastavení", "&Settings"},
    Entry{Text::ButtonConnect, "Př&ipojit QEL", "&Connect QEL"},
    Entry{Text::ButtonArchive, "A&rchiv", "A&rchive"},
    Entry{Text::ButtonHelp, "Nápově&da", "&Help"},
    // The language button names the other language.
    Entry{Text::ButtonLanguage, "&English", "Česk&y"},
    Entry{Text::FloorsGroup, "Patra", "Floors"},
    Entry{Text::ColumnId, "ID:", "ID:"},
    Entry{Text::ColumnComment, "Komentář:", "Comment:"},
    Entry{Text::ColumnKey, "Klíč:", "Key:"},
    Entry{Text::AboutMenuItem, "O pro&gramu QEL key...", "&About QEL key..."},
    Entry{Text::AboutVersion, "QEL key, verze %s", "QEL key, version %s"},

    Entry{Text::ConnectVia, "Připojit pomocí:", "Connect via:"},
    Entry{Text::SetPortManually, "Nastavit port ručně", "Set port manually"},
    Entry{Text::ButtonOk, "OK", "OK"},
    Entry{Text::ButtonCancel, "Zpět", "Cancel"},
    Entry{Text::ButtonYes, "&Ano", "&Yes"},
    Entry{Text::ButtonNo, "&Ne", "&No"},
    Entry{Text::TransportUsb, "USB", "USB"},
    Entry{Text::TransportBluetooth, "Bluetooth", "Bluetooth"},
    Entry{Text::PortPrefix, "COM", "COM"},
    Entry{Text::EnterWholeNumber, "Zadejte celé číslo od %i do %i.",
          "Please enter a whole number between %i and %i."},
    Entry{Text::PortWithoutDevice, "žádné zařízení", "no device"},
    Entry{Text::PortDevicesTitle, "Čísla COM na tomto počítači:", "COM numbers on this computer:"},
    Entry{Text::NoSerialDevices, "Na tomto počítači nebylo nalezeno žádné sériové zařízení.",
          "No serial device was found on this computer."},
    Entry{Text::AccessibleKeyList, "Seznam klíčů", "Key list"},
    Entry{Text::AccessibleLog, "Záznam zpráv", "Message log"},
    Entry{Text::AccessibleElevatorName, "Název výtahu", "Elevator name"},
    Entry{Text::AccessibleSettingsLine, "Nastavení jednotky QEL", "QEL unit settings"},
    Entry{Text::AccessibleProgressText, "Probíhající přenos", "Transfer in progress"},
    Entry{Text::AccessibleProgressBar, "Průběh přenosu", "Transfer progress"},
    Entry{Text::AccessibleFloor, "Patro %i", "Floor %i"},
    Entry{Text::AccessibleAccessCode, "Přístupový kód", "Access code"},
    Entry{Text::AccessiblePortNumber, "Číslo portu COM", "COM port number"},
    Entry{Text::AccessiblePortDevice, "Zařízení zvoleného portu COM", "Device of the chosen COM port"},

    Entry{Text::FileDamaged, "Soubor je poškozen", "Soubor je poškozen"},
    Entry{Text::FileDamagedAt, "Soubor je poškozen na pozici %i", "Soubor je poškozen na pozici %i"},
    Entry{Text::FileCannotCreate, "Soubor %s nelze vytvořit: %s", "Cannot create the file %s: %s"},
    Entry{Text::FileCannotOpen, "Soubor %s nelze otevřít: %s", "Cannot open the file %s: %s"},
    Entry{Text::FileCannotRead, "Soubor %s nelze přečíst: %s", "Cannot read the file %s: %s"},
    Entry{Text::FileCannotWrite, "Do souboru %s nelze zapsat: %s", "Cannot write to the file %s: %s"},
    Entry{Text::FileCannotReplace, "Soubor %s nelze nahradit novým: %s",
          "Cannot replace the file %s with the new one: %s"},
    Entry{Text::FileSettingsOutOfRange,
          "Soubor %s nebyl zapsán: nastavení je mimo rozsah "
          "(doba přístupu 0 až 120 s, velikost záznamu 15 až 250 B).",
          "The file %s was not written: a setting is out of range "
          "(access time 0 to 120 s, record size 15 to 250 bytes)."},

    Entry{Text::KymHelp, kKymHelpPosixCzech.data(), kKymHelpPosixEnglish.data()},
    Entry{Text::KymBadArguments, "Neplatné argumenty. Nápovědu vypíše: qel-kym --help",
          "Invalid arguments. For help run: qel-kym --help"},
    Entry{Text::KymSettings,
          "Doba přístupu: %s s (0 = trvalý přístup)\nVelikost záznamu: %s B (komentář %s znaků)\n"
          "Inverze relé: %s\nInverze hlavního relé: %s\n",
          "Access time: %s s (0 = permanent access)\nRecord size: %s bytes (comment %s characters)\n"
          "Relay inversion: %s\nMain relay inversion: %s\n"},
    Entry{Text::KymOn, "zapnuta", "on"},
    Entry{Text::KymOff, "vypnuta", "off"},
    Entry{Text::KymTableHeader, "ID\tKomentář\tKlíč\tPatra", "ID\tComment\tKey\tFloors"},

    Entry{Text::DemoReaderTitle, "Demo čtečka", "Demo reader"},
    Entry{Text::DemoReaderStoredKeys, "&Klíče v jednotce:", "&Keys in the unit:"},
    Entry{Text::DemoReaderRefresh, "&Obnovit", "&Refresh"},
    Entry{Text::DemoReaderSeconds, "&Sekund u čtečky:", "&Seconds at the reader:"},
    Entry{Text::DemoReaderHold, "&Přiložit ke čtečce", "&Hold at reader"},
    Entry{Text::DemoReaderNewEightByte, "Nový &8bajtový klíč", "New &8-byte key"},
    Entry{Text::DemoReaderNewTwelveChar, "Nový &12znakový klíč", "New &12-character key"},
    Entry{Text::DemoReaderHolding, "Klíč %s je u čtečky na %s s.", "Key %s is at the reader for %s s."},
    Entry{Text::DemoReaderNoKeys, "Jednotka nemá uložené žádné klíče.", "The unit stores no keys."},

    // Ports, start options and tools.
    Entry{Text::PortNotOpened, "Port COM%s (%s) nebyl otevřen: %s", "Port COM%s (%s) was not opened: %s"},
    Entry{Text::PortNoSuchDevice, "zařízení neexistuje", "no such device"},
    Entry{Text::PortBusy, "používá ho jiný program", "another program is using it"},
    Entry{Text::AccessCodeRefused, "QEL na COM%i odpověděl, ale nepřijal přístupový kód.",
          "QEL at COM%i answered but did not accept the access code."},
    Entry{Text::KymFileDamaged, "Soubor %s je poškozen: chybí hlavička nebo je mimo rozsah.",
          "The file %s is damaged: its header is missing or out of range."},
    Entry{Text::KymFileDamagedAt, "Soubor %s je poškozen: chybí jeho bajt %s a všechny za ním.",
          "The file %s is damaged: its byte %s and all after it are missing."},
    Entry{Text::KymWrote, "Data byla exportována do souboru %s", "Data were exported to the file %s"},
    Entry{Text::KymNoCommand, "Chybí příkaz (show, csv nebo diff).", "No command given (show, csv or diff)."},
    Entry{Text::KymUnknownCommand, "Neznámý příkaz %s (show, csv nebo diff).",
          "Unknown command %s (show, csv or diff)."},
    Entry{Text::KymWrongCount, "Příkaz %s chce počet souborů %s, zadáno %s.",
          "The command %s takes %s file(s), %s given."},
    Entry{Text::KymUnknownOption, "Neznámá volba %s.", "Unknown option %s."},
    Entry{Text::KymLanguageMissing, "Za --lang chybí jazyk (cs nebo en).",
          "--lang needs a language (cs or en)."},
    Entry{Text::KymBadLanguage, "Neznámý jazyk %s (cs nebo en).", "Unknown language %s (cs or en)."},

    // The main window's keyboard, sizes and Disconnect.
    Entry{Text::ButtonDisconnect, "&Odpojit QEL", "Disco&nnect QEL"},
    Entry{Text::QelDisconnectedFrom, "QEL odpojen od COM%i.", "QEL disconnected from COM%i."},

    // Settings write, the settings dialog and the access-code change.
    Entry{Text::NameSaved, "Název výtahu uložen", "Elevator name saved"},
    Entry{Text::NameNotConfirmed, "QEL nepotvrdil uložení názvu výtahu.",
          "QEL did not confirm the elevator name."},
    Entry{Text::CommentLengthSet, "Nastaven nový počet znaků komentáře", "New comment length set"},
    Entry{Text::AccessTimeSet, "Nastaven nový čas přístupu", "New access time set"},
    Entry{Text::RelaySettingsSet, "Nastavena nová nastavení pro relé", "New relay settings set"},
    Entry{Text::AccessCodeSet, "Nastaven nový přístupový kód", "New password set"},
    Entry{Text::ClockSet, "Nastaven aktuální čas", "Current time set"},
    Entry{Text::MemoryReconfiguration,
          "Překonfigurování paměti, prosím čekejte (překonfigurování může trvat několik minut)...",
          "Memory reconfiguration, please wait (memory reconfiguration can take a few minutes)..."},
    Entry{Text::Done, "Hotovo", "Done"},
    // %s: the old code, the new one and the unit's reply bytes in hexadecimal.
    Entry{Text::AccessCodeChangeFailed,
          "Změna přístupového kódu nebyla potvrzena. Starý kód: %s, nový kód: %s, QEL odpověděl: %s. "
          "Po restartu QEL zkuste připojení s oběma kódy.",
          "The access code change was not confirmed. Old code: %s, new code: %s, QEL answered: %s. "
          "After restarting QEL, try connecting with either code."},
    Entry{Text::ProgressRewritingMemory, "Přepisuji paměť klíčů (blok %i z %i), QEL neodpojujte!",
          "Rewriting the key memory (block %i of %i), do not unplug QEL!"},
    Entry{Text::ConfirmCloseWhileRewriting,
          "QEL právě přepisuje celou paměť klíčů. Zavřete-li program nyní, zůstane paměť napůl přepsaná "
          "a klíče nebudou fungovat, dokud ji neobnovíte ze zálohy. Přesto zavřít?",
          "QEL is rewriting its whole key memory. If the program closes now, the memory is left half "
          "rewritten and the keys will not work until it is restored from a backup. Close anyway?"},
    Entry{Text::ImageFileFilter, "QEL data (*.kym)", "QEL data (*.kym)"},
    // Old and new comment length, keys dropped, comments cut.
    Entry{Text::CommentLengthChanged,
          "Počet znaků komentáře změněn z %i na %i: ztraceno klíčů %i, zkráceno komentářů %i.",
          "Comment length changed from %i to %i: %i keys dropped, %i comments cut."},
    Entry{Text::SettingsAccessTime, "Čas přístupu", "Access time"},
    Entry{Text::SettingsCommentLength, "Počet znaků komentáře", "Comment length"},
    Entry{Text::SettingsMaximumKeys, "Maximální počet klíčů", "Maximum of keys"},
    Entry{Text::SettingsPermanentAccess, "Trvalý přístup", "Permanent access"},
    Entry{Text::SettingsMainRelayInversion, "Inverze hlavního relé", "Main relay inversion"},
    Entry{Text::SettingsRelayInversion, "Inverze relé", "Relay inversion"},
    Entry{Text::SettingsSetClock, "Nastavit čas podle PC", "Set the time according to PC"},
    Entry{Text::SettingsCurrentTime, "Aktuální čas ve QEL", "Current time in QEL"},
    Entry{Text::SettingsElevatorName, "Název výtahu", "Elevator name"},
    Entry{Text::SettingsChangeAccessCode, "Změnit přístupový kód", "Change password"},
    Entry{Text::LiveClock, "%d. %d. 20%0.2d %0.2d:%0.2d:%0.2d", "20%0.2d-%d-%d %0.2d:%0.2d:%0.2d"},
    Entry{Text::CommentLengthWarning,
          "Při změně počtu znaků komentáře může dojít ke zkrácení některých komentářů,\r\n či ke ztrátě "
          "klíčů s vysokými ID!",
          "When changing the comment length some comments may be shortened,\r\n or some keys with high ID "
          "may be lost!"},
    // Keys dropped, comments cut.
    Entry{Text::CommentLengthLosses, "\r\n\r\nTato změna ztratí klíčů: %i, zkrátí komentářů: %i. Pokračovat?",
          "\r\n\r\nThis change drops %i keys and cuts %i comments. Go on?"},
    Entry{Text::NameTooLong, "Název výtahu může mít nejvýše %i znaků.",
          "The elevator name can have at most %i characters."},
    Entry{Text::NameUnstorableCharacter, "Název výtahu obsahuje znak %s, který QEL nedokáže uložit.",
          "The elevator name contains the character %s, which QEL cannot store."},
    Entry{Text::EnterCurrentAccessCode, "Zadejte aktuální přístupový kód:", "Enter current password:"},
    Entry{Text::InvalidCurrentAccessCode, "Neplatný aktuální přístupový kód!", "Invalid password!"},
    Entry{Text::EnterNewAccessCode, "Zadejte nový přístupový kód:", "Enter new password:"},
    Entry{Text::ReenterNewAccessCode, "Znovu zadejte nový přístupový kód:", "Re-enter new password:"},
    Entry{Text::NewAccessCodeAccepted, "Nový přístupový kód přijat!", "New password accepted!"},
    Entry{Text::AccessCodesDiffer, "Přístupové kódy se neshodují!", "Passwords do not match!"},

    // The archive dialog, its confirmations and transfers.
    Entry{Text::ArchiveCopyToPc, "Zkopírovat paměť z QEL do PC", "Copy memory from QEL to PC"},
    Entry{Text::ArchiveCopyToUnit, "Zkopírovat paměť z PC do QEL", "Copy memory from PC to QEL"},
    Entry{Text::ArchiveExport, "Exportovat paměť z QEL do souboru", "Export QEL memory to file"},
    Entry{Text::ArchiveDeleteKeys, "Smazat všechny klíče z QEL", "Delete all QEL keys"},
    Entry{Text::ArchiveDeleteLogs, "Smazat všechny logy z QEL", "Delete all QEL logs"},
    Entry{Text::ConfirmDeleteAllKeys, "Chci smazat VŠECHNY klíče z QEL",
          "I am sure I want to delete ALL QEL keys"},
    Entry{Text::ConfirmDeleteAllLogs, "Chci smazat VŠECHNY logy z QEL",
          "I am sure I want to delete ALL QEL logs"},
    Entry{Text::ConfirmRewriteAllKeys, "Chci přepsat VŠECHNY klíče ve QEL",
          "I am sure I want to rewrite ALL QEL keys"},
    Entry{Text::AllKeysDeleted, "Všechny klíče byly smazány", "All keys deleted"},
    Entry{Text::AllLogsDeleted, "Všechny logy byly smazány", "All logs deleted"},
    Entry{Text::FileLoaded, "Soubor načten", "File loaded"},
    Entry{Text::CsvFileFilter, " (*.csv)", " (*.csv)"},
    Entry{Text::OpenImageCaption, "Zkopírovat paměť z PC do QEL", "Copy memory from PC to QEL"},
    Entry{Text::SaveImageCaption, "Zkopírovat paměť z QEL do PC", "Copy memory from QEL to PC"},
    Entry{Text::ExportCaption, "Exportovat paměť z QEL do souboru", "Export QEL memory to file"},
    Entry{Text::ProgressDeletingAllKeys, "Mažu všechny klíče, QEL neodpojujte!",
          "Deleting all keys, do not unplug QEL!"},
    Entry{Text::ProgressDeletingAllLogs, "Mažu všechny logy, QEL neodpojujte!",
          "Deleting all logs, do not unplug QEL!"},
    Entry{Text::ProgressWritingImage, "Zapisuji paměť klíčů do QEL (blok %i z %i), QEL neodpojujte!",
          "Writing the key memory to QEL (block %i of %i), do not unplug QEL!"},
    Entry{Text::RestoreFailedAdvice,
          "Paměť klíčů v QEL může být zapsaná jen zčásti. Vypněte a zapněte QEL, stiskněte Připojit QEL "
          "a zkopírujte soubor do QEL znovu: soubor je v pořádku.",
          "The key memory in QEL may be only partly written. Turn QEL off and on again, press Connect "
          "QEL, and copy the file to QEL again: the file is intact."},
    Entry{Text::CtlHelp, kControlHelpPosixCzech.data(), kControlHelpPosixEnglish.data()},
    Entry{Text::CtlBadArguments, "Neplatné argumenty. Nápovědu vypíše: qelctl --help",
          "Invalid arguments. For help run: qelctl --help"},
    Entry{Text::CtlValueMissing, "Za %s chybí hodnota.", "%s needs a value."},
    Entry{Text::CtlNoCommand, "Chybí příkaz.", "No command given."},
    Entry{Text::CtlUnknownCommand, "Neznámý příkaz %s.", "Unknown command %s."},
    Entry{Text::CtlOptionNotHere, "Volba %s nepatří k příkazu %s.", "%s is not an option of %s."},
    Entry{Text::CtlOperandCount, "Příkaz %s dostal nesprávný počet argumentů.",
          "Wrong number of arguments for %s."},
    Entry{Text::CtlDeviceOrPort, "Zadejte buď --device, nebo --port, ne obojí.",
          "Give either --device or --port, not both."},
    Entry{Text::CtlBadNumber, "%s: %s není celé číslo od %s do %s.",
          "%s: %s is not a whole number from %s to %s."},
    Entry{Text::CtlBadAccessCode, "%s: %s není přístupový kód (nejvýše čtyři číslice).",
          "%s: %s is not an access code (four digits at most)."},
    Entry{Text::CtlBadOnOff, "%s: čekám on nebo off, ne %s.", "%s: expected on or off, not %s."},
    Entry{Text::CtlBadClock, "--clock: čekám now nebo \"RRRR-MM-DD HH:MM:SS\", ne %s.",
          "--clock: expected now or \"YYYY-MM-DD HH:MM:SS\", not %s."},
    Entry{Text::CtlNothingToSet, "Příkaz set nemá co měnit: zadejte aspoň jedno nastavení.",
          "set has nothing to change: give at least one setting."},
    Entry{Text::CtlBadKeyCode,
          "%s není platný kód klíče: 16 nebo 12 šestnáctkových číslic, které projdou kontrolou.",
          "%s is not a valid key code: 16 or 12 hexadecimal digits that pass their check."},
    Entry{Text::CtlFloorsMissing, "Chybí --floors s patry klíče (např. 1,3-5,24).",
          "--floors with the key's floors is missing (e.g. 1,3-5,24)."},
    Entry{Text::CtlBadFloors, "%s není seznam pater 1 až 24 (např. 1,3-5,24).",
          "%s is not a list of floors 1 to 24 (e.g. 1,3-5,24)."},
    Entry{Text::CtlFileExists, "Soubor %s už existuje; --force ho přepíše.",
          "%s already exists; --force replaces it."},
    Entry{Text::CtlNoFolder, "Složka pro soubor %s neexistuje.", "The folder of %s does not exist."},
    Entry{Text::CtlCannotRead, "Soubor %s nelze přečíst.", "%s cannot be read."},
    Entry{Text::CtlYesNoPrompt, "[a/N]", "[y/N]"},
    Entry{Text::CtlNoTerminalToAsk, "Není terminál, kde se zeptat; --yes odpoví ano.",
          "No terminal to ask on; --yes answers yes."},
    Entry{Text::CtlNotChanged, "V QEL se nic nezměnilo.", "Nothing was changed in QEL."},
    Entry{Text::CtlAtMostLeft, "zbývá nejvýše %s", "at most %s left"},
    Entry{Text::CtlNoSuchKey, "QEL nemá klíč s ID %s.", "QEL holds no key with ID %s."},
    Entry{Text::CtlKeyHeld, "Klíč %s už v QEL je (ID %s).", "The key %s is in QEL already (ID %s)."},
    Entry{Text::CtlMemoryFull, "V paměti QEL není místo; %s klíčů nebylo přidáno.",
          "QEL's memory is full; %s keys were not added."},
    Entry{Text::CtlNoKeyAtReader, "Během %s s nebyl ke čtečce přiložen žádný nový klíč.",
          "No new key was held at the reader within %s s."},
    Entry{Text::CtlKeyAdded, "Klíč %s je uložen s ID %s.", "Key %s saved as ID %s."},
    Entry{Text::CtlKeyEdited, "Klíč s ID %s je uložen.", "Key with ID %s saved."},
    Entry{Text::CtlClockNotRunning, "Hodiny QEL nejdou, čas proto nelze nastavit.",
          "QEL's clock does not run, so the time cannot be set."},
    Entry{Text::CtlSettingsWritten, "Nastavení je zapsáno do QEL.", "The settings are written to QEL."},
    Entry{Text::CtlLineCommentTooLong, "Řádek %s: komentář je delší, než QEL pojme (%s znaků).",
          "Line %s: the comment is longer than QEL holds (%s characters)."},
    Entry{Text::CtlLineKeyHeld, "Řádek %s: klíč %s už v QEL je (ID %s), přeskakuji.",
          "Line %s: the key %s is in QEL already (ID %s); skipped."},
    Entry{Text::CtlLineRepeated, "Řádek %s: klíč %s už je na řádku %s, přeskakuji.",
          "Line %s: the key %s is on line %s already; skipped."},
    Entry{Text::CtlImported, "Přidáno klíčů: %s, přeskočeno: %s.", "Keys added: %s, skipped: %s."},
    Entry{Text::CtlSaved, "Klíče a nastavení jsou uloženy do souboru %s.",
          "The keys and settings are saved to %s."},
    Entry{Text::CtlRestored, "Soubor %s je zkopírován do QEL.", "%s is copied to QEL."},
    Entry{Text::CtlWatching, "Přikládejte klíče ke čtečce; Ctrl+C skončí.",
          "Hold keys at the reader; Ctrl+C ends."},
    Entry{Text::CtlUnknownKey, "neznámý klíč", "unknown key"},
    Entry{Text::CtlYes, "ano", "yes"},
    Entry{Text::CtlNo, "ne", "no"},
    Entry{Text::CtlInfo,
          "Firmware: %s\nHodiny: %s\nNázev výtahu: %s\nDoba přístupu: %s s\nTrvalý přístup: %s\nDélka "
          "komentáře: %s\nInverze relé: %s\nInverze hlavního relé: %s\nKlíčů: %s\n",
          "Firmware: %s\nClock: %s\nElevator name: %s\nAccess time: %s s\nPermanent access: %s\nComment "
          "length: %s\nRelay inversion: %s\nMain relay inversion: %s\nKeys: %s\n"},
    Entry{Text::CtlStopWhileWriting,
          "Do QEL se právě zapisuje a přerušení by ho nechalo zapsané jen zčásti. Práce pokračuje; "
          "dalším Ctrl+C ji přesto přerušíte.",
          "QEL is being written to, and stopping now would leave it half written. The work goes on; "
          "press Ctrl+C again to stop it anyway."},

    // The CSV import of the command-line front end; %i (the first %s) is the line number.
    Entry{Text::CsvImportMissingHeader,
          "Řádek %i souboru CSV: chybí hlavička exportu klíčů (ID;Komentář;Klíč;…).",
          "Line %i of the CSV file: the key export's header (ID;Comment;Key;…) is missing."},
    Entry{Text::CsvImportWrongColumnCount,
          "Řádek %i souboru CSV: nemá sloupce klíče (ID, komentář, klíč a 24 pater).",
          "Line %i of the CSV file: it does not have a key's columns (ID, comment, key and 24 floors)."},
    Entry{Text::CsvImportBadId, "Řádek %i souboru CSV: ID není celé číslo.",
          "Line %i of the CSV file: the ID is not a whole number."},
    Entry{Text::CsvImportBadQuotes, "Řádek %i souboru CSV: pole v uvozovkách není správně uzavřeno.",
          "Line %i of the CSV file: a field in quotes is not closed properly."},
    Entry{Text::CsvImportUnstorableComment,
          "Řádek %s souboru CSV: komentář obsahuje znak %s, který QEL nedokáže uložit.",
          "Line %s of the CSV file: the comment contains the character %s, which QEL cannot store."},
    Entry{Text::CsvImportBadKeyCode, "Řádek %i souboru CSV: kód klíče není platný.",
          "Line %i of the CSV file: the key code is not valid."},
    Entry{Text::CsvImportBadFloorMark, "Řádek %i souboru CSV: sloupec patra neobsahuje o ani x.",
          "Line %i of the CSV file: a floor column holds neither o nor x."},
    Entry{Text::ConfirmReplaceKey,
          "Klíč s ID %s (%s) dostane nový kód %s a starý klíč už výtah neotevře. Nahradit?",
          "The key with ID %s (%s) gets the new code %s, and the old key will no longer open the lift. "
          "Replace it?"},
    Entry{Text::KeyReplaced, "Klíč s ID %s: kód %s nahrazen kódem %s",
          "Key with ID %s: code %s replaced by %s"},
    Entry{Text::ButtonReplaceKey, "Na&hradit klíč...", "&Replace key..."},
    Entry{Text::ReplaceKeyCaption, "Náhrada ztraceného klíče s ID %i", "Replacing the lost key with ID %i"},
    Entry{Text::MenuReplaceLostKey, "Na&hradit ztracený klíč...", "&Replace lost key..."},

    // qel-kym diff: one line per difference; %s are the old and new values.
    Entry{Text::KymDiffSame, "Stejné klíče i nastavení.", "Same keys and settings."},
    Entry{Text::KymDiffAccessTime, "Doba přístupu: %s → %s s (0 = trvalý přístup)",
          "Access time: %s → %s s (0 = permanent access)"},
    Entry{Text::KymDiffRecordSize, "Velikost záznamu: %s → %s B (komentář %s → %s znaků)",
          "Record size: %s → %s bytes (comment %s → %s characters)"},
    Entry{Text::KymDiffRelayInversion, "Inverze relé: %s → %s", "Relay inversion: %s → %s"},
    Entry{Text::KymDiffMainRelayInversion, "Inverze hlavního relé: %s → %s", "Main relay inversion: %s → %s"},
    Entry{Text::KymDiffAdded, "Přidán klíč %s: ID %s, patra %s, komentář „%s“",
          "Added key %s: ID %s, floors %s, comment \"%s\""},
    Entry{Text::KymDiffRemoved, "Odebrán klíč %s: ID %s, komentář „%s“",
          "Removed key %s: ID %s, comment \"%s\""},
    Entry{Text::KymDiffChanged, "Změněn klíč %s: ID %s", "Changed key %s: ID %s"},
    Entry{Text::KymDiffFloors, ", patra %s → %s", ", floors %s → %s"},
    Entry{Text::KymDiffComment, ", komentář „%s“ → „%s“", ", comment \"%s\" → \"%s\""},
    Entry{Text::KymDiffNoFloors, "žádná", "none"},

    // The filter box above the main window's key list; the summary is "%i shown of %i".
    Entry{Text::KeyFilterPlaceholder, "Hledat klíč (Ctrl+F)", "Find key (Ctrl+F)"},
    Entry{Text::KeyFilterSummary, "Zobrazeno klíčů: %i z %i", "Keys shown: %i of %i"},
    Entry{Text::AccessibleKeyFilterSummary, "Počet zobrazených klíčů", "Number of keys shown"},

    // The help window built into the program.
    Entry{Text::HelpWindowCaption, "QEL key – nápověda", "QEL key – help"},
    Entry{Text::ButtonClose, "Zavřít", "Close"},
    Entry{Text::AutomaticBackupSaved, "Automatická záloha uložena: %s", "Automatic backup saved: %s"},
    Entry{Text::AutomaticBackupFailed, "Automatickou zálohu nelze uložit: %s",
          "The automatic backup could not be saved: %s"},
    Entry{Text::NothingStartedWithoutBackup,
          "Bez zálohy se paměť QEL nepřepisuje ani nemaže, proto nic nezačalo. Uvolněte místo nebo "
          "povolte zápis do složky se zálohami a zkuste to znovu.",
          "QEL's memory is neither rewritten nor cleared without a backup, so nothing was started. Free "
          "some space or allow writing to the backups folder and try again."},
    Entry{Text::KeysInDoubtHeader, "Zápis klíčů skončil předčasně. Co je nyní v QEL:",
          "The write of keys stopped before its end. What QEL holds now:"},
    Entry{Text::KeyDeletedNotStored,
          "Klíč s ID %s byl v QEL smazán a znovu neuložen: kód %s, patra %s, komentář %s",
          "Key with ID %s was deleted in QEL and not stored again: code %s, floors %s, comment %s"},
    Entry{Text::KeyNotStored, "Klíč s ID %s nebyl do QEL uložen: kód %s, patra %s, komentář %s",
          "Key with ID %s was not stored in QEL: code %s, floors %s, comment %s"},
    Entry{
        Text::KeyDeletionNotConfirmed,
        "Klíč s ID %s: smazání QEL nepotvrdila, klíč v ní může stále být: kód %s, patra %s, komentář %s",
        "Key with ID %s: deletion not confirmed, QEL may still hold the key: code %s, floors %s, comment %s"},
    Entry{Text::KeysKeptInBackup, "Jejich data jsou v automatické záloze %s",
          "Their data are kept in the automatic backup %s"},
    Entry{Text::KeysStayMarked,
          "V seznamu zůstávají označené do příštího načtení klíčů. Uložte je znovu příkazem Přidat klíče "
          "nebo Upravit klíč.",
          "They stay listed, marked, until the keys are loaded again. Store them again with Add keys or "
          "Edit key."},
    Entry{Text::KeyMarkNotInUnit, "Není v QEL: zápis klíče selhal. Po novém připojení se seznam načte znovu.",
          "Not in QEL: the key's write failed. Connect again to reload the list."},
    Entry{Text::KeyMarkDeletionNotConfirmed, "Smazání nepotvrzeno: klíč může stále otevírat výtah.",
          "Deletion not confirmed: the key may still open the lift."},
    Entry{Text::SettingsMayBeUnwritten, "Zápis nastavení skončil předčasně. Možná nebylo zapsáno: %s",
          "The settings write stopped before its end. These may not have been written: %s"},
    Entry{Text::MemoryHalfWritten,
          "Paměť klíčů v QEL je napůl zapsaná a klíče nemusí fungovat. Všechny klíče jsou v automatické "
          "záloze %s\nVypněte a zapněte QEL, připojte se znovu a zálohu zapište tlačítkem Archiv.",
          "QEL's key memory is half written and the keys may not work. All keys are in the automatic "
          "backup %s\nTurn QEL off and on, connect again and write the backup back with Archive."},
    Entry{Text::BackupBeforeRestore, "Co bylo v QEL předtím, je v automatické záloze %s",
          "What QEL held before is in the automatic backup %s"},
    Entry{Text::KeysPartlyDeleted,
          "Mazání všech klíčů skončilo předčasně: v QEL mohou některé klíče zůstat. Klíče, jak byly načteny, "
          "jsou v automatické záloze %s",
          "The deletion of all keys stopped before its end: QEL may still hold some of them. The keys as "
          "loaded are in the automatic backup %s"},
    Entry{Text::LogsPartlyDeleted, "Mazání všech logů skončilo předčasně: v QEL mohou některé logy zůstat.",
          "The deletion of all logs stopped before its end: QEL may still hold some of them."},
    Entry{Text::CtlPutItRight, "Klíč s ID %s uvede do pořádku: %s", "To put key with ID %s right: %s"},
    Entry{Text::CtlImportStopped, "Import zastaven klávesami Ctrl+C: uloženo klíčů %s, neuloženo %s.",
          "Import stopped with Ctrl+C: %s keys stored, %s not stored."},

    // Where qelctl takes the access code from besides --code; %s is the code file.
    Entry{Text::CtlBadCodeFile, "--code-file %s: první řádek není přístupový kód (nejvýše čtyři číslice).",
          "--code-file %s: the first line is not an access code (four digits at most)."},
    Entry{Text::CtlBadCodeVariable, "QEL_ACCESS_CODE: hodnota není přístupový kód (nejvýše čtyři číslice).",
          "QEL_ACCESS_CODE: the value is not an access code (four digits at most)."},
    Entry{Text::CtlCodeFileNotPrivate,
          "Varování: soubor %s s přístupovým kódem mohou číst i jiní uživatelé; chmod 600 %s to napraví.",
          "Warning: other users can read the access code in %s; chmod 600 %s makes it private."},

    // The key dialog's status line; %s are the ID and the comment (or code), or the code presented.
    Entry{Text::KeyPresentedHeld, "Klíč %s (%s) přiložen: již je v QEL",
          "Key %s (%s) presented: already in QEL"},
    Entry{Text::KeyPresentedCaptured, "Klíč %s přiložen: nový klíč, načten",
          "Key %s presented: a new key, captured"},
    Entry{Text::KeyPresentedNotTaken, "Klíč %s přiložen: nepřevzat, platí již načtený klíč",
          "Key %s presented: not taken, the captured key stays"},
    Entry{Text::KeyPresentWaiting, "Přiložte nový klíč ke čtečce", "Present the new key at the reader"},
    Entry{Text::KeyDialogReadAnother, "Načíst &jiný klíč", "Read a&nother key"},
    Entry{Text::KeyDialogClearCode, "Vymazat kód a načíst jiný klíč", "Clear the code and read another key"},
    Entry{Text::AccessibleKeyStatus, "Klíč přiložený ke čtečce", "Key presented at the reader"},

    // The line above the key list after a key load cut short.
    Entry{Text::KeyLoadCutShort,
          "Zobrazeno klíčů: %i; načítání bylo přerušeno: pro zobrazení všech se připojte znovu",
          "Keys shown: %i; the load was cut short: connect again to see all"},
    Entry{Text::AccessibleKeyLoadCutShort, "Načtení klíčů přerušeno", "Key load cut short"},

    Entry{Text::ButtonChangeFloors, "&Změnit patra…", "Change &floors…"},
    Entry{Text::MenuDeleteKeys, "&Vymazat klíče", "&Delete keys"},
    Entry{Text::ButtonStop, "Za&stavit", "S&top"},
    Entry{Text::AccessibleStopButton, "Zastavit po zapsání rozepsaného klíče",
          "Stop after the key being written"},
    Entry{Text::ConfirmDeleteKeys, "Opravdu chcete vymazat tyto klíče (celkem %i)?",
          "Do you really want to delete these %i keys?"},
    Entry{Text::ConfirmDeleteKeysLine, "ID %s (%s)", "ID %s (%s)"},
    Entry{Text::ConfirmDeleteKeysMore, "a dalších %i", "and %i more"},
    Entry{Text::ProgressDeletingKeys, "Mažu klíč %i z %i (ID %i)", "Deleting key %i of %i (ID %i)"},
    Entry{Text::ProgressChangingFloors, "Měním patra klíče %i z %i (ID %i)",
          "Changing the floors of key %i of %i (ID %i)"},
    Entry{Text::ChooseOneKey, "Pro úpravu vyberte jediný klíč", "Choose one key to edit"},
    Entry{Text::FloorChangeNoKeys, "Nebyl vybrán žádný klíč.", "No key chosen."},
    Entry{Text::FloorChangeEmpty, "Zaškrtněte patra, která se mají přidat nebo odebrat.",
          "Tick the floors to add or to take away."},
    Entry{Text::FloorChangeBoth, "Patro %s nelze zároveň přidat i odebrat.",
          "Floor %s cannot be both added and taken away."},
    Entry{Text::FloorChangeSkipped, "Klíč s ID %s už tato patra má: přeskočen",
          "Key with ID %s already has these floors: skipped"},
    Entry{Text::FloorChangeNothing, "Žádný z vybraných klíčů by se nezměnil: nic se nezapisuje.",
          "None of the chosen keys would change: nothing is written."},
    Entry{Text::FloorChangeCaption, "Změnit patra", "Change floors"},
    Entry{Text::FloorChangeKeys, "Vybrané klíče: %i", "Keys chosen: %i"},
    Entry{Text::FloorChangeAdd, "&Přidat patra:", "Floors to &add:"},
    Entry{Text::FloorChangeRemove, "&Odebrat patra:", "Floors to &take away:"},
    Entry{Text::BatchStopped, "Zastaveno po zapsání rozepsaného klíče.",
          "Stopped after the key being written."},
    Entry{Text::BatchKeysDeleted, "Vymazané klíče (ID): %s", "Keys deleted (ID): %s"},
    Entry{Text::BatchKeysChanged, "Změněné klíče (ID): %s", "Keys changed (ID): %s"},
    Entry{Text::BatchKeysNotStarted, "Nezapsané klíče, QEL je drží jako dříve (ID): %s",
          "Keys not written, QEL holds them as before (ID): %s"},
    Entry{Text::KeyCodeForms,
          "Kód klíče má 12 šestnáctkových znaků, nebo 16 šestnáctkových číslic, z nichž první dvě "
          "kontrolují zbylých 14.",
          "A key code has 12 hexadecimal characters, or 16 hexadecimal digits whose first two check the "
          "other 14."},
    Entry{Text::KeyCodeNotDigit, "Znak %s není šestnáctková číslice (0–9, A–F).",
          "The character %s is not a hexadecimal digit (0–9, A–F)."},
    Entry{Text::KeyCodeLength, "Počet zadaných číslic: %i.", "The code typed has %i digits."},
    Entry{Text::KeyCodeCheckEightByte,
          "První dvě číslice nesouhlasí se zbylými 14: některá číslice je zapsána chybně.",
          "Its first two digits do not check the other 14: a digit was mistyped."},
    Entry{Text::KeyCodeCheckTwelveChar, "Jeho 12 znaků neprojde kontrolou: některý znak je zapsán chybně.",
          "Its 12 characters do not pass their check: a character was mistyped."},
    Entry{Text::KeyDialogCommentCount, "%i / %i", "%i / %i"},
    Entry{Text::AccessibleCommentCount, "Počet znaků komentáře", "Characters in the comment"},
    Entry{Text::KeyNoFloorsQuestion, "Tento klíč neotevírá žádné patro. Přesto jej uložit?",
          "This key opens no floor. Save it anyway?"},
    Entry{Text::ClockBehindWarning,
          "Hodiny QEL jdou o %s pozadu oproti PC. Nastavíte je v Nastavení volbou „Nastavit čas "
          "podle PC“.",
          "The QEL clock is %s behind the PC's. To set it, tick \"Set the time according to PC\" in "
          "Settings."},
    Entry{Text::ClockAheadWarning,
          "Hodiny QEL jdou o %s napřed oproti PC. Nastavíte je v Nastavení volbou „Nastavit čas "
          "podle PC“.",
          "The QEL clock is %s ahead of the PC's. To set it, tick \"Set the time according to PC\" in "
          "Settings."},
    Entry{Text::ClockNotSetWarning,
          "Hodiny QEL nejsou nastaveny. Nastavíte je v Nastavení volbou „Nastavit čas podle PC“.",
          "The QEL clock is not set. To set it, tick \"Set the time according to PC\" in Settings."},
    Entry{Text::SummaryClockBehind, ",     hodiny o %s pozadu", ",     clock %s behind"},
    Entry{Text::SummaryClockAhead, ",     hodiny o %s napřed", ",     clock %s ahead"},
    Entry{Text::SummaryClockNotSet, ",     hodiny nenastaveny", ",     clock not set"},
    Entry{Text::WindowTitleElevator, "QEL key - %s", "QEL key - %s"},
    // The find box asking for a floor.
    Entry{Text::KeyFilterFloorSummary, "Patro %i: zobrazeno klíčů %i z %i", "Floor %i: keys shown: %i of %i"},
    Entry{Text::KeyLoadProgress, "Načítání klíčů: %i (nejvýše %i)", "Loading keys: %i (at most %i)"},

    Entry{Text::ButtonPrint, "&Tisk…", "&Print…"},
    Entry{Text::MenuPrint, "&Tisk…", "&Print…"},
    Entry{Text::MenuSaveAsPdf, "&Uložit jako PDF…", "&Save as PDF…"},
    Entry{Text::ColumnFloors, "Patra", "Floors"},
    Entry{Text::PrintKeyCount, "Klíčů: %i", "Keys: %i"},
    Entry{Text::PrintPageNumber, "Strana %i z %i", "Page %i of %i"},
    Entry{Text::PrintOptionsTab, "Klíče", "Keys"},
    Entry{Text::PrintOnlyShown, "Jen klíče, které ukazuje filtr", "Only the keys the filter shows"},
    Entry{Text::PrintPdfFiles, "Dokumenty PDF (*.pdf)", "PDF documents (*.pdf)"},
    Entry{Text::PrintPdfSaved, "Seznam klíčů uložen do %s", "Key list saved to %s"},
    Entry{Text::PrintFailed, "Seznam klíčů se nepodařilo vytisknout do %s.",
          "The key list could not be printed to %s."},
    Entry{Text::ArchiveImport, "Importovat klíče…", "Import keys…"},
    Entry{Text::ImportCaption, "Importovat klíče ze souboru CSV", "Import keys from a CSV file"},
    Entry{Text::ImportLineNoFreeSlot, "Řádek %s: klíč %s se už do paměti QEL nevejde, přeskakuji.",
          "Line %s: the key %s no longer fits in QEL's memory; skipped."},
    Entry{Text::ImportNothingToAdd, "V souboru není žádný klíč, který by bylo možné přidat.",
          "The file holds no key that could be added."},
    Entry{Text::ImportSummary, "Klíčů k přidání: %s, uložení potrvá %s. Přeskočených řádků: %s.",
          "Keys to add: %s; saving them takes %s. Lines skipped: %s."},
    Entry{Text::ImportKeysHeader, "ID\tKomentář\tKlíč\tPatra", "ID\tComment\tKey\tFloors"},
    Entry{Text::ImportSkippedHeader, "Přeskočené řádky:", "Lines skipped:"},
    Entry{Text::MemorySavedToPc, "Paměť uložena do PC: %s", "Memory saved to PC: %s"},

    // The help of the command-line programs as Windows needs it.
    Entry{Text::CtlHelpWindows, kControlHelpWindowsCzech.data(), kControlHelpWindowsEnglish.data()},
    Entry{Text::KymHelpWindows, kKymHelpWindowsCzech.data(), kKymHelpWindowsEnglish.data()},
};

constexpr bool InEnumOrder() {
  for (std::size_t i = 0; i < kTable.size(); ++i)
    if (static_cast<std::size_t>(kTable[i].id) != i) return false;
  return kTable.size() == static_cast<std::size_t>(Text::Count);
}
static_assert(InEnumOrder(), "the text table must list every Text once, in enum order");

}  // namespace

std::string_view Tr(Text id, Language language) {
  const Entry& e = kTable[static_cast<std::size_t>(id)];
  return language == Language::Czech ? e.czech : e.english;
}

std::string TrFormatInts(Text id, Language language, std::initializer_list<int> values) {
  // The table's integer placeholders are few (%i, %d and the two-digit %0.2d); filling them by
  // hand keeps runtime format strings away from printf.
  const std::string_view pattern = Tr(id, language);
  std::string out;
  auto value = values.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const std::string_view rest = pattern.substr(i);
    if (value != values.end() && (rest.starts_with("%i") || rest.starts_with("%d"))) {
      out += std::to_string(*value++);
      i += 1;
    } else if (value != values.end() && rest.starts_with("%0.2d")) {
      const std::string digits = std::to_string(*value++);
      if (digits.size() < 2) out += '0';
      out += digits;
      i += 4;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::string TrFormat(Text id, Language language, int value) { return TrFormatInts(id, language, {value}); }

std::string TrFormat(Text id, Language language, std::initializer_list<std::string_view> values) {
  const std::string_view pattern = Tr(id, language);
  std::string out;
  auto value = values.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (value != values.end() && pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
      out += *value++;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

}  // namespace qel
