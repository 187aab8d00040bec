// Native side of kelxfer.KelXfer on Linux.

#include "kelxfer_KelXfer.h"

#include "KelCharSet.h"

// Compares converters rather than identifiers: a default that the library
// cannot read resolves to the ISO-8859-1 converter as well.
JNIEXPORT jboolean JNICALL Java_kelxfer_KelXfer_isKelDefaultLocale(JNIEnv*, jclass) {
    const bool latin1 = KelCharSetConverter::getConverter(KELCS_OS_DEFAULT) ==
                        KelCharSetConverter::getConverter(KELCS_ISO_8859_1);
    return latin1 ? JNI_TRUE : JNI_FALSE;
}
