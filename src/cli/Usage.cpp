#include "cli/Usage.h"

namespace SumirelCli {

const char kUsage[] =
    "Usage: sumirel-cli [--ini FILE] write [--date D] [--weather W] [--title T] < CONTENTS\n"
    "       sumirel-cli [--ini FILE] rebuild\n"
    "       sumirel-cli --help\n";

const char kHelp[] =
    "Usage: sumirel-cli [--ini FILE] write [--date D] [--weather W] [--title T] < CONTENTS\n"
    "       sumirel-cli [--ini FILE] rebuild\n"
    "       sumirel-cli --help\n"
    "\n"
    "Runs the diary's Write and Rebuild commands without a window, for scripts and cron.\n"
    "\n"
    "Commands:\n"
    "  write     Put a new entry on top of the diary file, regenerate the diary page and\n"
    "            copy the entry into the target files. The contents are read from\n"
    "            standard input up to its end: every line break is stored as CR LF, and\n"
    "            one line break at the very end of the input is dropped, so that\n"
    "            `echo text | sumirel-cli write` stores the single line \"text\". Nothing is\n"
    "            asked: an empty title or empty contents are written as given.\n"
    "  rebuild   Regenerate the diary page and the target files from the diary file as\n"
    "            it stands, after the diary or the template was edited by hand.\n"
    "\n"
    "Options:\n"
    "  --ini FILE     the settings file (default: sumirel.ini beside this program, the\n"
    "                 one the window uses); a FILE that does not exist is an error\n"
    "  --date D       the entry's date (default: today, shaped by the date separators\n"
    "                 YearSep, MonSep and DaySep of the settings)\n"
    "  --weather W    the entry's weather (default: empty)\n"
    "  --title T      the entry's title (default: empty)\n"
    "  -h, --help     show this text\n"
    "Options may also be written --name=VALUE. The argument after an option is its\n"
    "value even when it begins with \"-\".\n"
    "\n"
    "Arguments and standard input are UTF-8 text; the files hold Shift-JIS, and a\n"
    "character that Shift-JIS lacks is stored as an HTML character reference (&#x...;).\n"
    "Errors go to standard error, the closing message (written / write failed /\n"
    "rebuilt) to standard output.\n"
    "\n"
    "Exit status:\n"
    "  0  the command succeeded\n"
    "  1  a damaged diary file or template was reported; for write the entry has been\n"
    "     stored in the diary file all the same, and the closing message says the write\n"
    "     failed\n"
    "  2  a file could not be read or written, the command line or standard input was\n"
    "     not usable, or the settings name no diary file or page file (write then\n"
    "     changes nothing)\n";

}  // namespace SumirelCli
