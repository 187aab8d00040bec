/* Machine-dependent JNI types for the Windows targets; the JDK on the build
   host only ships the one for its own platform. A build that names its
   exports in a .def file defines JNIEXPORT as empty. */
#ifndef _JAVASOFT_JNI_MD_H_
#define _JAVASOFT_JNI_MD_H_

#ifndef JNIEXPORT
#define JNIEXPORT __declspec(dllexport)
#endif
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif
