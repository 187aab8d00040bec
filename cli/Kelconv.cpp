#include "Kelconv.h"

#include "CharSetNames.h"
#include "ChunkReader.h"
#include "Output.h"
#include "Reporter.h"
#include "Transcoder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kelconv {

namespace {

const char* const kStandardInput = "-";

struct CharSet {
    KelCharSetConverter* converter;
    std::string name;
};

CharSet resolveCharSet(const std::string& given) {
    const std::optional<KelCharSet> id = findCharSet(given.empty() ? "KELCS_OS_DEFAULT" : given);
    if (!id)
        throw UsageError("unknown character set '" + given + "' (kelconv -l lists them)");
    // Without a converter of its own the library would quietly convert as UTF-8.
    if (!hasConverter(*id))
        throw UsageError(std::string("no converter for ") + KelCharSetToString(*id));
    KelCharSetConverter* converter = KelCharSetConverter::getConverter(*id);
    return {converter, KelCharSetToString(converter->getCharSet())};
}

std::vector<std::string> inputsOf(const Options& options) {
    if (options.inputs.empty())
        return {kStandardInput};
    return options.inputs;
}

std::string displayName(const std::string& input) {
    return input == kStandardInput ? "(standard input)" : input;
}

bool statInput(const std::string& input, struct stat& info) {
    if (input == kStandardInput)
        return ::fstat(STDIN_FILENO, &info) == 0;
    return ::stat(input.c_str(), &info) == 0;
}

// Opening the output truncates it, which would destroy an input that is the same file.
void checkOutputIsNoInput(const Options& options) {
    struct stat output;
    if (options.output.empty() || ::stat(options.output.c_str(), &output) != 0)
        return;
    for (const std::string& input : inputsOf(options)) {
        struct stat info;
        if (statInput(input, info) && info.st_dev == output.st_dev && info.st_ino == output.st_ino)
            throw UsageError(displayName(input) + " is also the output file");
    }
}

std::uint64_t sizeOf(int fd) {
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    return static_cast<std::uint64_t>(info.st_size);
}

// A progress line helps on a terminal, unless the converted text is being
// written to that terminal too.
bool showsProgress(const Options& options, const Console& console) {
    return console.isTerminal() && !(options.output.empty() && ::isatty(STDOUT_FILENO) == 1);
}

// The conversion of a run: one output, one set of conversion rules, any number of inputs.
class Run {
public:
    Run(const Options& options, Console& console, const CharSet& from, const CharSet& to)
        : m_output(options.output), m_from(*from.converter), m_to(*to.converter),
          m_policy(options.policy), m_reporter(console, from.name, to.name, options.silent),
          m_progress(console, showsProgress(options, console)), m_console(console) {}

    // False when the conversion stopped at a problem.
    bool convert(const std::string& input);
    int finish();

private:
    bool convertFile(int fd, const std::string& name);

    Output m_output;
    KelCharSetConverter& m_from;
    KelCharSetConverter& m_to;
    KelPolicy m_policy;
    Reporter m_reporter;
    Progress m_progress;
    Console& m_console;
    bool m_failed = false;
};

bool Run::convert(const std::string& input) {
    const std::string name = displayName(input);
    const bool isStandardInput = input == kStandardInput;
    const int fd = isStandardInput ? STDIN_FILENO : ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        m_console.message("kelconv: " + name + ": " + std::strerror(errno));
        m_failed = true;
        return true;
    }
    bool carryOn = true;
    try {
        carryOn = convertFile(fd, name);
    } catch (const std::system_error& e) {
        m_progress.end();
        m_console.message("kelconv: " + name + ": " + e.what());
        m_failed = true;
    }
    if (!isStandardInput)
        ::close(fd);
    return carryOn;
}

bool Run::convertFile(int fd, const std::string& name) {
    ChunkReader reader(fd);
    Transcoder transcoder(m_from, m_to, m_policy);
    m_reporter.beginInput(name);
    m_progress.begin(name, sizeOf(fd));
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    bool carryOn = true;
    for (bool more = true; carryOn && more;) {
        more = reader.next(data, size);
        carryOn = transcoder.convert(data, size, !more);
        m_output.write(transcoder.output().data(), transcoder.output().size());
        for (const Problem& problem : transcoder.problems())
            m_reporter.report(problem);
        m_progress.update(reader.consumed());
    }
    m_progress.end();
    m_reporter.endInput();
    return carryOn;
}

int Run::finish() {
    m_output.close();
    if (m_failed)
        return kExitFailure;
    return m_reporter.anyProblem() ? kExitProblems : kExitClean;
}

int printText(const std::string& text) {
    Output out("");
    out.write(text);
    return kExitClean;
}

} // namespace

int runKelconv(const Options& options, Console& console) {
    if (options.help)
        return printText(helpText());
    if (options.version)
        return printText(versionText());
    if (options.list)
        return printText(charSetListing());
    const CharSet from = resolveCharSet(options.from);
    const CharSet to = resolveCharSet(options.to);
    checkOutputIsNoInput(options);
    Run run(options, console, from, to);
    for (const std::string& input : inputsOf(options)) {
        if (!run.convert(input))
            break;
    }
    return run.finish();
}

} // namespace kelconv
