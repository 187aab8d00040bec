#ifndef KELXFER_KELXFER_H
#define KELXFER_KELXFER_H

#include <jni.h>

extern "C" {

// kelxfer.KelXfer.isKelDefaultLocale(): whether the default character set
// converts as ISO-8859-1, which is also the answer for an unreadable locale.
JNIEXPORT jboolean JNICALL Java_kelxfer_KelXfer_isKelDefaultLocale(JNIEnv* env, jclass);
}

#endif
