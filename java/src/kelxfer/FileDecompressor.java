package kelxfer;

/**
 * Native method of the transfer tool that shows file names as the local file
 * system stores them. The caller loads the native library before the first call.
 */
public final class FileDecompressor {
    private FileDecompressor() {
    }

    /**
     * Linux: the name as it looks once stored through the default character
     * set. Characters that the set lacks come back as "U+XXXX" escapes, one per
     * UTF-16 unit; a name whose stored form exceeds 4095 bytes is cut. An empty
     * name, or one that starts with U+0000, is returned as it was given, and
     * U+0000 inside a name ends it.
     */
    public static native String utf16ToLocal(String name);
}
