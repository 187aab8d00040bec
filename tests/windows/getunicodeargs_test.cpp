// Loads kelxfer.dll and calls its native method with a JNI environment whose
// functions record every call. The method reads the process's own command
// line, so the program first starts itself with a known one.

#include <jni.h>

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <deque>
#include <set>
#include <string>
#include <utility>
#include <vector>

// The JNI function table is an ABI: the method must find these functions at
// the slots a JVM puts them in.
static_assert(offsetof(JNINativeInterface_, FindClass) == 6 * sizeof(void*), "FindClass slot");
static_assert(offsetof(JNINativeInterface_, DeleteLocalRef) == 23 * sizeof(void*),
              "DeleteLocalRef slot");
static_assert(offsetof(JNINativeInterface_, NewString) == 163 * sizeof(void*), "NewString slot");
static_assert(offsetof(JNINativeInterface_, NewStringUTF) == 167 * sizeof(void*),
              "NewStringUTF slot");
static_assert(offsetof(JNINativeInterface_, NewObjectArray) == 172 * sizeof(void*),
              "NewObjectArray slot");
static_assert(offsetof(JNINativeInterface_, SetObjectArrayElement) == 174 * sizeof(void*),
              "SetObjectArrayElement slot");

namespace {

const wchar_t kChildFlag[] = L"--child";

// How an argument is written on the command line, and what it must become.
struct Argument {
    std::wstring written;
    std::wstring parsed;
};

std::vector<Argument> childArguments() {
    std::vector<Argument> args = {
        {kChildFlag, kChildFlag},
        {L"\"three words here\"", L"three words here"},
        {L"\"\"", L""},
        {L"\u041F\u0440\u0438\u0432\u0435\u0442", L"\u041F\u0440\u0438\u0432\u0435\u0442"},
        {L"\"\u65E5\u672C \u8A9E\"", L"\u65E5\u672C \u8A9E"},
        {L"clef\U0001D11E", L"clef\U0001D11E"},
    };
    // More arguments than the 16 local references JNI guarantees.
    for (int i = 0; i < 20; ++i) {
        std::wstring pad = L"pad" + std::to_wstring(i);
        args.push_back({pad, pad});
    }
    return args;
}

std::wstring modulePath() {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    path.resize(length);
    return path;
}

// ---- Recording JNI environment -------------------------------------------

enum class Fn {
    FindClass,
    DeleteLocalRef,
    NewString,
    NewStringUTF,
    NewObjectArray,
    SetObjectArrayElement
};

const char* fnName(Fn fn) {
    switch (fn) {
    case Fn::FindClass:
        return "FindClass";
    case Fn::DeleteLocalRef:
        return "DeleteLocalRef";
    case Fn::NewString:
        return "NewString";
    case Fn::NewStringUTF:
        return "NewStringUTF";
    case Fn::NewObjectArray:
        return "NewObjectArray";
    case Fn::SetObjectArrayElement:
        return "SetObjectArrayElement";
    }
    return "?";
}

struct FakeObject {
    std::u16string text;            // string value, or class name
    std::vector<jobject> elements;  // arrays only
    jobject elementClass = nullptr; // arrays only
};

struct Record {
    Fn fn;
    jobject result = nullptr; // object returned by the call
    jobject target = nullptr; // array stored into, or reference deleted
    jsize index = 0;
    jobject value = nullptr; // element stored, or array fill value
};

struct Failure {
    Fn fn;
    int occurrence; // 0 for the first call of fn
};

class Recorder {
public:
    explicit Recorder(const Failure* failure = nullptr) : failure_(failure) {}

    const std::vector<Record>& log() const { return log_; }
    const FakeObject& object(jobject handle) const {
        return *reinterpret_cast<const FakeObject*>(handle);
    }
    std::size_t peakLiveRefs() const { return peakLive_; }
    bool badDelete() const { return badDelete_; }

    jobject create(Record record, FakeObject object) {
        if (!shouldFail(record.fn)) {
            objects_.push_back(std::move(object));
            record.result = reinterpret_cast<jobject>(&objects_.back());
            live_.insert(record.result);
            peakLive_ = std::max(peakLive_, live_.size());
        }
        log_.push_back(record);
        return record.result;
    }

    void store(jobjectArray array, jsize index, jobject value) {
        Record record{Fn::SetObjectArrayElement};
        record.target = array;
        record.index = index;
        record.value = value;
        log_.push_back(record);
        reinterpret_cast<FakeObject*>(array)->elements.at(static_cast<std::size_t>(index)) = value;
    }

    void deleteRef(jobject ref) {
        Record record{Fn::DeleteLocalRef};
        record.target = ref;
        log_.push_back(record);
        if (live_.erase(ref) == 0)
            badDelete_ = true;
    }

private:
    bool shouldFail(Fn fn) {
        int occurrence = static_cast<int>(
            std::count_if(log_.begin(), log_.end(), [fn](const Record& r) { return r.fn == fn; }));
        return failure_ && failure_->fn == fn && failure_->occurrence == occurrence;
    }

    const Failure* failure_;
    std::deque<FakeObject> objects_;
    std::vector<Record> log_;
    std::set<jobject> live_;
    std::size_t peakLive_ = 0;
    bool badDelete_ = false;
};

// Standard layout with the environment first, so a callback can get from the
// JNIEnv* it receives back to its recorder.
struct RecordingEnv {
    JNIEnv env;
    Recorder* recorder;
};

Recorder& recorderOf(JNIEnv* env) {
    return *reinterpret_cast<RecordingEnv*>(env)->recorder;
}

std::u16string widenAscii(const char* text) {
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

jclass JNICALL findClass(JNIEnv* env, const char* name) {
    FakeObject cls;
    cls.text = widenAscii(name);
    return static_cast<jclass>(recorderOf(env).create({Fn::FindClass}, cls));
}

void JNICALL deleteLocalRef(JNIEnv* env, jobject ref) {
    recorderOf(env).deleteRef(ref);
}

jstring JNICALL newString(JNIEnv* env, const jchar* units, jsize length) {
    FakeObject str;
    str.text.assign(units, units + length);
    return static_cast<jstring>(recorderOf(env).create({Fn::NewString}, str));
}

jstring JNICALL newStringUTF(JNIEnv* env, const char* text) {
    FakeObject str;
    str.text = widenAscii(text);
    return static_cast<jstring>(recorderOf(env).create({Fn::NewStringUTF}, str));
}

jobjectArray JNICALL newObjectArray(JNIEnv* env, jsize length, jclass elementClass, jobject init) {
    FakeObject array;
    array.elements.assign(static_cast<std::size_t>(length), init);
    array.elementClass = elementClass;
    Record record{Fn::NewObjectArray};
    record.value = init;
    return static_cast<jobjectArray>(recorderOf(env).create(record, array));
}

void JNICALL setObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index, jobject value) {
    recorderOf(env).store(array, index, value);
}

using GetUnicodeArgs = jobjectArray(JNICALL*)(JNIEnv*, jobject);

// Calls the method with a table that has nothing but the recording functions:
// any other slot it used would crash the program.
jobjectArray callWith(GetUnicodeArgs method, Recorder& recorder) {
    JNINativeInterface_ table{};
    table.FindClass = findClass;
    table.DeleteLocalRef = deleteLocalRef;
    table.NewString = newString;
    table.NewStringUTF = newStringUTF;
    table.NewObjectArray = newObjectArray;
    table.SetObjectArrayElement = setObjectArrayElement;
    RecordingEnv recording{{&table}, &recorder};
    return method(&recording.env, nullptr);
}

// ---- Tests ----------------------------------------------------------------

struct Tally {
    int passed = 0;
    int failed = 0;
};

class TestCase {
public:
    TestCase(Tally& tally, const char* name) : tally_(tally), name_(name) {}
    ~TestCase() { ++(ok_ ? tally_.passed : tally_.failed); }
    TestCase(const TestCase&) = delete;
    TestCase& operator=(const TestCase&) = delete;

    bool check(bool condition, const char* what) {
        if (!condition) {
            std::printf("FAIL %s: %s\n", name_, what);
            ok_ = false;
        }
        return condition;
    }

private:
    Tally& tally_;
    const char* name_;
    bool ok_ = true;
};

std::vector<std::u16string> expectedArguments() {
    std::vector<std::u16string> expected;
    std::wstring path = modulePath();
    expected.emplace_back(path.begin(), path.end());
    for (const Argument& arg : childArguments())
        expected.emplace_back(arg.parsed.begin(), arg.parsed.end());
    return expected;
}

void testReturnsWholeCommandLine(GetUnicodeArgs method, Tally& tally) {
    TestCase test(tally, "returns every argument as UTF-16");
    Recorder recorder;
    jobjectArray array = callWith(method, recorder);
    if (!test.check(array != nullptr, "result is null"))
        return;
    const FakeObject& result = recorder.object(array);
    const Record& first = recorder.log().front();
    std::vector<std::u16string> expected = expectedArguments();
    test.check(result.elements.size() == expected.size(),
               "array length differs from argument count");
    for (std::size_t i = 0; i < std::min(expected.size(), result.elements.size()); ++i) {
        if (!test.check(result.elements[i] &&
                            recorder.object(result.elements[i]).text == expected[i],
                        "element differs from its argument"))
            std::printf("  at index %u\n", static_cast<unsigned>(i));
    }
    test.check(result.elementClass &&
                   recorder.object(result.elementClass).text == u"java/lang/String",
               "array element class is not java/lang/String");
    const Record& creation =
        *std::find_if(recorder.log().begin(), recorder.log().end(),
                      [](const Record& r) { return r.fn == Fn::NewObjectArray; });
    test.check(first.fn == Fn::NewStringUTF && creation.value == first.result &&
                   recorder.object(first.result).text.empty(),
               "array is not filled with an empty string");
    test.check(!recorder.badDelete(), "deleted a reference that was not live");
}

// Every element string must be stored and then released before the next one
// is made, or a long command line overflows the JVM's local reference frame.
void testReleasesEachElement(GetUnicodeArgs method, Tally& tally) {
    TestCase test(tally, "releases each element once stored");
    Recorder recorder;
    jobjectArray array = callWith(method, recorder);
    const std::vector<Record>& log = recorder.log();
    auto next =
        std::find_if(log.begin(), log.end(), [](const Record& r) { return r.fn == Fn::NewString; });
    jsize index = 0;
    for (; next != log.end(); ++index) {
        bool inOrder = log.end() - next >= 3 && next[0].fn == Fn::NewString &&
                       next[1].fn == Fn::SetObjectArrayElement && next[1].target == array &&
                       next[1].index == index && next[1].value == next[0].result &&
                       next[2].fn == Fn::DeleteLocalRef && next[2].target == next[0].result;
        if (!test.check(inOrder, "element not made, stored and deleted in turn")) {
            std::printf("  at index %ld\n", static_cast<long>(index));
            return;
        }
        next += 3;
    }
    test.check(index > 16, "command line too short to exceed 16 local references");
    test.check(recorder.peakLiveRefs() <= 16, "more than 16 local references live at once");
    test.check(!recorder.badDelete(), "deleted a reference that was not live");
}

// A null result means a Java exception is pending; any further JNI call
// other than the few exception functions is then undefined.
void testStopsAtFailure(GetUnicodeArgs method, Tally& tally, Failure failure) {
    std::string name = std::string("stops when ") + fnName(failure.fn) + " call " +
                       std::to_string(failure.occurrence) + " fails";
    TestCase test(tally, name.c_str());
    Recorder recorder(&failure);
    jobjectArray array = callWith(method, recorder);
    test.check(array == nullptr, "result is not null");
    const Record& last = recorder.log().back();
    test.check(last.fn == failure.fn && last.result == nullptr,
               "JNI calls went on after the failure");
}

int runChild() {
    HMODULE library = LoadLibraryW(L"kelxfer.dll");
    auto method = library ? reinterpret_cast<GetUnicodeArgs>(reinterpret_cast<void*>(
                                GetProcAddress(library, "Java_kelxfer_KelXfer_getUnicodeArgs")))
                          : nullptr;
    if (!method) {
        std::printf("FAIL cannot load Java_kelxfer_KelXfer_getUnicodeArgs from kelxfer.dll\n");
        return 1;
    }
    Tally tally;
    testReturnsWholeCommandLine(method, tally);
    testReleasesEachElement(method, tally);
    for (Fn fn : {Fn::NewStringUTF, Fn::FindClass, Fn::NewObjectArray, Fn::NewString})
        testStopsAtFailure(method, tally, {fn, 0});
    testStopsAtFailure(method, tally, {Fn::NewString, 7});
    std::printf("kelxfer: %d passed, %d failed\n", tally.passed, tally.failed);
    return tally.failed == 0 ? 0 : 1;
}

int runParent() {
    std::wstring program = modulePath();
    std::wstring commandLine = L"\"" + program + L"\"";
    for (const Argument& arg : childArguments())
        commandLine += L" " + arg.written;

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child{};
    std::fflush(stdout);
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &startup, &child)) {
        std::printf("FAIL cannot start the test child (error %lu)\n", GetLastError());
        return 1;
    }
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(child.hProcess, &exitCode);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    if (exitCode > 1)
        std::printf("FAIL test child ended abnormally (code 0x%lx)\n", exitCode);
    return exitCode == 0 ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    return argc > 1 && std::wstring(argv[1]) == kChildFlag ? runChild() : runParent();
}
