// Native side of kelxfer.KelXfer on Windows. The Java launcher hands main()
// its arguments in the ANSI code page, which loses every character outside
// it; the process's own UTF-16 command line still has them.

#include <jni.h>

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

static_assert(sizeof(wchar_t) == sizeof(jchar), "Windows text must be UTF-16");

namespace {

jstring newJavaString(JNIEnv* env, const wchar_t* text) {
    return env->NewString(reinterpret_cast<const jchar*>(text),
                          static_cast<jsize>(std::wcslen(text)));
}

// Returns null as soon as a JNI call fails: a Java exception is then pending
// and no further JNI call is allowed but a few that this code does not need.
jobjectArray newStringArray(JNIEnv* env, const wchar_t* const* args, int count) {
    jstring empty = env->NewStringUTF("");
    if (!empty)
        return nullptr;
    jclass stringClass = env->FindClass("java/lang/String");
    if (!stringClass)
        return nullptr;
    jobjectArray array = env->NewObjectArray(count, stringClass, empty);
    if (!array)
        return nullptr;
    for (int i = 0; i < count; ++i) {
        jstring element = newJavaString(env, args[i]);
        if (!element)
            return nullptr;
        env->SetObjectArrayElement(array, i, element);
        // JNI promises only 16 local references; a command line holds more.
        env->DeleteLocalRef(element);
    }
    return array;
}

} // namespace

extern "C" JNIEXPORT jobjectArray JNICALL Java_kelxfer_KelXfer_getUnicodeArgs(JNIEnv* env,
                                                                              jobject) {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args)
        return nullptr;
    jobjectArray array = count > 0 ? newStringArray(env, args, count) : nullptr;
    LocalFree(args);
    return array;
}
