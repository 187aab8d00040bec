#include "Options.h"

#include "KelVersion.h"

#include <getopt.h>

namespace kelconv {

namespace {

enum LongOnly { kOnError = 256 };

const option kLongOptions[] = {
    {"from-code", required_argument, nullptr, 'f'},
    {"to-code", required_argument, nullptr, 't'},
    {"output", required_argument, nullptr, 'o'},
    {"list", no_argument, nullptr, 'l'},
    {"silent", no_argument, nullptr, 's'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {"on-error", required_argument, nullptr, kOnError},
    {nullptr, 0, nullptr, 0},
};

KelPolicy policyNamed(const std::string& name) {
    if (name == "replace")
        return KelPolicy::Replace;
    if (name == "escape")
        return KelPolicy::Escape;
    if (name == "stop")
        return KelPolicy::Report;
    throw UsageError("--on-error takes replace, escape or stop, not '" + name + "'");
}

std::string badOption(char* argv[], int optionCode) {
    if (optionCode != 0)
        return std::string("-") + static_cast<char>(optionCode);
    return argv[optind - 1];
}

} // namespace

Options parseOptions(int argc, char* argv[]) {
    Options options;
    bool drop = false;
    // getopt keeps its position between calls; 0 starts it afresh.
    optind = 0;
    opterr = 0;
    for (;;) {
        const int c = getopt_long(argc, argv, ":f:t:o:lcshV", kLongOptions, nullptr);
        if (c == -1)
            break;
        switch (c) {
        case 'f':
            options.from = optarg;
            break;
        case 't':
            options.to = optarg;
            break;
        case 'o':
            options.output = optarg;
            break;
        case 'l':
            options.list = true;
            break;
        case 'c':
            drop = true;
            break;
        case 's':
            options.silent = true;
            break;
        case 'h':
            options.help = true;
            break;
        case 'V':
            options.version = true;
            break;
        case kOnError:
            options.policy = policyNamed(optarg);
            break;
        case ':':
            throw UsageError("option " + badOption(argv, optopt) + " needs an argument");
        default:
            throw UsageError("unknown option " + badOption(argv, optopt));
        }
    }
    if (drop)
        options.policy = KelPolicy::Skip;
    options.inputs.assign(argv + optind, argv + argc);
    return options;
}

std::string helpText() {
    return R"HELP(Usage: kelconv [-f FROM] [-t TO] [-c] [--on-error=MODE] [-o FILE] [FILE...]
       kelconv -l
Converts text from one character set to another.

  -f, --from-code=FROM  character set of the input (default: the locale's)
  -t, --to-code=TO      character set of the output (default: the locale's)
  -o, --output=FILE     write to FILE instead of standard output
  -c                    leave out characters that cannot be converted
      --on-error=MODE   what to write for a character that cannot be converted:
                          replace  U+FFFD for malformed input, "?" in the
                                   output set for an unmappable character
                                   (default)
                          escape   as replace, but an unmappable character
                                   becomes the text U+XXXX
                          stop     end the conversion in front of it
  -s, --silent          do not report conversion problems (the exit status
                        still tells)
  -l, --list            list the character sets with their numbers, names and
                        the common names accepted for them
  -h, --help            show this help
  -V, --version         show the version of kelconv and its library

Without FILE, or where FILE is -, standard input is read. Several files are
converted one after the other into one output.

A character set is named by its identifier name (KELCS_WCP1252), its number
(1252) or a common name (windows-1252, CP1252, UTF-8, UTF-16LE, Shift_JIS,
CP932, ISO-8859-15, EUC-JP, GBK, GB18030, Big5, ...); common names and
identifier names match without regard to case. UTF-16LE and UTF-32LE are read
and written without a byte-order mark. Sets listed with "(no converter)" are
known by name only and cannot be used.

Input of any size is read in chunks of a fixed size, whatever it holds (NUL
characters, long lines, malformed bytes), and a character split between two
chunks is carried over, so memory use stays the same for a file of gigabytes.

Malformed input and characters the output set cannot represent are reported
on standard error with the byte offset of the character in its input file.
On a terminal, a progress line shows on standard error during long runs.

Exit status: 0 when everything was converted, 1 when some characters could
not be converted, 2 for a usage error or an error reading or writing a file.
)HELP";
}

std::string versionText() {
    return "kelconv (kelulib) " KELULIB_VERSION_STRING "\n";
}

} // namespace kelconv
