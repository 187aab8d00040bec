#ifndef KELXFER_FILEDECOMPRESSOR_H
#define KELXFER_FILEDECOMPRESSOR_H

#include <jni.h>

extern "C" {

// kelxfer.FileDecompressor.utf16ToLocal(String): the name as the local file
// system shows it once stored through the default character set; characters
// that the set lacks come back as "U+XXXX" escapes, one per UTF-16 unit.
JNIEXPORT jstring JNICALL Java_kelxfer_FileDecompressor_utf16ToLocal(JNIEnv* env, jclass,
                                                                     jstring name);
}

#endif
