package kelxfer;

/**
 * Native methods of the transfer tool that tell about the platform. The caller
 * loads the native library (kelulib64 or kelxfer) before the first call.
 */
public final class KelXfer {
    private KelXfer() {
    }

    /**
     * Linux: whether file names are stored in ISO-8859-1, which is also the
     * answer when the locale names no character set the library knows.
     */
    public static native boolean isKelDefaultLocale();

    /**
     * Windows: the process's command line split into arguments, the launcher
     * included, with every character intact; null when it cannot be split.
     */
    public static native String[] getUnicodeArgs();
}
