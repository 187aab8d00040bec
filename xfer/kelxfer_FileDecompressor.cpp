// Native side of kelxfer.FileDecompressor on Linux.

#include "kelxfer_FileDecompressor.h"

#include "KelCharSet.h"

#include <type_traits>

static_assert(std::is_same<jchar, unsigned short>::value, "Java text must be UTF-16 units");

namespace {

// Room for a name in the local set, terminator included; longer names are cut.
constexpr int kLocalNameCapacity = 4096;

} // namespace

// The result goes back through NewString as UTF-16 units: NewStringUTF takes
// modified UTF-8, in which a character beyond U+FFFF is a pair of three-byte
// surrogate sequences, and would misread the four-byte form that standard
// UTF-8 uses. GetStringUTFChars hands over that modified form, which the
// UTF-8 converter reads as it is.
JNIEXPORT jstring JNICALL Java_kelxfer_FileDecompressor_utf16ToLocal(JNIEnv* env, jclass,
                                                                     jstring name) {
    if (name == nullptr)
        return nullptr;
    const char* utf = env->GetStringUTFChars(name, nullptr);
    // Out of memory: an exception is pending and there is nothing to release.
    if (utf == nullptr)
        return name;
    char local[kLocalNameCapacity];
    const int localLen =
        UTF8ToLocalPath(local, reinterpret_cast<const unsigned char*>(utf), kLocalNameCapacity);
    env->ReleaseStringUTFChars(name, utf);
    if (localLen <= 0)
        return name;
    // Every local byte yields at most one unit, so the shown name is never cut here.
    jchar shown[kLocalNameCapacity];
    const int shownLen = LocalToUTF16(shown, local, kLocalNameCapacity, KELCS_OS_DEFAULT);
    if (shownLen <= 0)
        return name;
    return env->NewString(shown, shownLen);
}
