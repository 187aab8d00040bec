import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;

import kelxfer.FileDecompressor;
import kelxfer.KelXfer;

/**
 * Calls the Linux native methods from a real JVM. The library decides its
 * default character set once, when it is loaded, so each default needs its own
 * JVM started under the matching LANG.
 *
 * Usage: java KelXferTest LIBRARY ISO-8859-1|UTF-8
 */
public final class KelXferTest {
    private static final String EURO = "\u20AC";
    private static final String E_ACUTE = "\u00E9";
    private static final String GRINNING = "\uD83D\uDE00"; // U+1F600
    // Bytes of a stored name, the terminator not counted.
    private static final int STORED_LIMIT = 4095;

    private int passed;
    private int failed;

    public static void main(String[] args) throws Exception {
        if (args.length != 2 || !(args[1].equals("ISO-8859-1") || args[1].equals("UTF-8"))) {
            System.err.println("usage: java KelXferTest LIBRARY ISO-8859-1|UTF-8");
            System.exit(2);
        }
        System.load(args[0]);
        KelXferTest test = new KelXferTest();
        test.namesThatComeBackAsGiven();
        if (args[1].equals("UTF-8")) {
            test.utf8Default();
        } else {
            test.latin1Default();
        }
        test.concurrentCalls();
        System.out.println(test.passed + " passed, " + test.failed + " failed");
        System.exit(test.failed == 0 ? 0 : 1);
    }

    private void check(String what, boolean ok, String detail) {
        if (ok) {
            passed++;
        } else {
            failed++;
            System.out.println("FAIL " + what + ": " + detail);
        }
    }

    private void expectShown(String what, String name, String expected) {
        String got = FileDecompressor.utf16ToLocal(name);
        check(what, expected.equals(got), "got " + printable(got) + ", expected " + printable(expected)
                + (got == null ? "" : ", first difference at unit " + firstDifference(got, expected)));
    }

    private void expectSameObject(String what, String name) {
        String got = FileDecompressor.utf16ToLocal(name);
        check(what, got == name, "got " + printable(got) + ", not the string passed in");
    }

    // Independent of the default character set.
    private void namesThatComeBackAsGiven() {
        expectSameObject("empty name", "");
        expectSameObject("name starting with U+0000", "\u0000abc");
        check("null name", FileDecompressor.utf16ToLocal(null) == null, "not null");
        expectShown("U+0000 ends the name", "ab\u0000cd", "ab");
        expectShown("ASCII name", "report-2024_v1.txt", "report-2024_v1.txt");
    }

    private void latin1Default() {
        check("isKelDefaultLocale", KelXfer.isKelDefaultLocale(), "false");
        expectShown("Latin-1 letter kept", "caf" + E_ACUTE, "caf" + E_ACUTE);
        expectShown("euro sign escaped", "a" + EURO + "b", "aU+20ACb");
        expectShown("U+1F600 as two escapes", "x" + GRINNING + "y", "xU+D83DU+DE00y");
        expectShown("long name cut at the buffer", "a".repeat(5000), "a".repeat(STORED_LIMIT));
        expectShown("escape that does not fit whole is left out", EURO.repeat(700),
                "U+20AC".repeat(STORED_LIMIT / 6));
        // Stored as one byte each, but two bytes each in UTF-8.
        expectShown("stored name comes back whole", E_ACUTE.repeat(3000), E_ACUTE.repeat(3000));
    }

    private void utf8Default() {
        check("isKelDefaultLocale", !KelXfer.isKelDefaultLocale(), "true");
        expectShown("euro sign kept", "a" + EURO + "b", "a" + EURO + "b");
        expectShown("U+1F600 kept", "x" + GRINNING + "y", "x" + GRINNING + "y");
        String mixed = "\u0416\u65E5" + GRINNING + E_ACUTE + "\uD834\uDD1E";
        expectShown("mixed scripts kept", mixed, mixed);
        expectShown("unpaired high surrogate escaped", "\uD800x", "U+D800x");
        expectShown("long name cut at a character", EURO.repeat(2000),
                EURO.repeat(STORED_LIMIT / 3));
        expectShown("characters beyond U+FFFF cut whole", GRINNING.repeat(1100),
                GRINNING.repeat(STORED_LIMIT / 4));
    }

    // The method runs on any Java thread; each call must see only its own name.
    private void concurrentCalls() throws Exception {
        List<String> names = List.of("plain", "caf" + E_ACUTE, "a" + EURO + "b", GRINNING + "z",
                "k".repeat(4500), "");
        List<String> expected = new ArrayList<>();
        for (String name : names) {
            expected.add(FileDecompressor.utf16ToLocal(name));
        }
        ExecutorService pool = Executors.newFixedThreadPool(4);
        List<Future<Integer>> mismatches = new ArrayList<>();
        for (int t = 0; t < 4; t++) {
            final int offset = t;
            mismatches.add(pool.submit(() -> {
                int wrong = 0;
                for (int i = 0; i < 2000; i++) {
                    int k = (i + offset) % names.size();
                    if (!expected.get(k).equals(FileDecompressor.utf16ToLocal(names.get(k)))) {
                        wrong++;
                    }
                }
                return wrong;
            }));
        }
        int wrong = 0;
        for (Future<Integer> f : mismatches) {
            wrong += f.get();
        }
        pool.shutdown();
        check("concurrent calls", wrong == 0, wrong + " results differ from a lone call");
    }

    private static int firstDifference(String a, String b) {
        int i = 0;
        while (i < a.length() && i < b.length() && a.charAt(i) == b.charAt(i)) {
            i++;
        }
        return i;
    }

    // Non-ASCII as \\uXXXX, long texts shortened, so that a report stays readable.
    private static String printable(String s) {
        if (s == null) {
            return "null";
        }
        StringBuilder out = new StringBuilder("\"");
        int shown = Math.min(s.length(), 40);
        for (int i = 0; i < shown; i++) {
            char c = s.charAt(i);
            out.append(c >= 0x20 && c < 0x7F ? String.valueOf(c) : String.format("\\u%04X", (int) c));
        }
        out.append('"');
        if (shown < s.length()) {
            out.append("... (").append(s.length()).append(" units)");
        }
        return out.toString();
    }
}
