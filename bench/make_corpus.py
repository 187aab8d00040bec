#!/usr/bin/env python3
"""Writes the benchmark corpora as UTF-8 files into a directory.

Every text is made from a fixed seed, so two runs write the same bytes.
The characters are chosen so that every legacy set a text is converted
through maps them the same way in each peer: the Japanese text keeps to
JIS X 0208 kana and common kanji (no backslash or tilde, whose bytes differ
between Shift-JIS tables), the Chinese text to GB2312, the Korean text to
the syllables of KS X 1001, the traditional Chinese text to Big5 level 1.

Usage: make_corpus.py OUTDIR [SIZE_MIB]

SIZE_MIB (1 unless given) sets the bytes of each text and, in proportion,
the count of names; a larger text begins with the smaller one's characters.
"""

import os
import random
import sys

SEED = 20240611
NAMES_SEED = SEED + 5  # as before the Korean and traditional texts came
NAMES_PER_MIB = 100_000

ENGLISH = """the of and to in is was that for on as with by at from his her
they this are be have had not but one all were when there which their said
time people year way day man thing woman life child world school state family
student group country problem hand part place case week company system program
question work government number night point home water room mother area money
story fact month lot right study book eye job word business issue side kind head
house service friend father power hour game line end member law car city name
president team minute idea body information back parent face others level office
door health person art war history party result change morning reason research
girl guy moment air teacher force education""".split()

LATIN = """café naïve über straße mañana élève français garçon où déjà Österreich
Zürich señor niño coração ação résumé crème brûlée façade fiancée piñata Ålborg
smörgåsbord jalapeño façon bientôt château forêt hôtel île même pâté rôle sûr
tête Größe Mädchen Bäcker schön für Müller Käse Übung año español pequeño
información canción corazón también así después qué está niña""".split()

# Hiragana, katakana and kanji of JIS X 0208 level 1.
HIRAGANA = [chr(c) for c in range(0x3041, 0x3094)]
KATAKANA = [chr(c) for c in range(0x30A1, 0x30F4)] + ["ー"]
KANJI = list("日本語東京大学生時間会社人年月国中出上下見行来前後者自分事手言物方気地今何同"
             "長私彼思話書読食飲車電駅店町村山川田花雨天空海道路市場住所名先週毎朝昼夜午半"
             "休外内新古高安少多早遅近遠明暗白黒赤青小金入口目耳足力男女子父母友達家族仕")
JA_PUNCT = ["、", "。", "「", "」"]

# Common characters of GB2312 level 1.
HANZI = list("的一是不了人我在有他这中大来上国个到说们为子和你地出道也时年得就那要下以生会"
             "自着去之过家学对可她里后小么心多天而能好都然没日于起还发成事只作当想看文无开手"
             "十用主行方又如前所本见经头面公同三已老从动两长知民样现分将外但身些与高意进把法"
             "此实回二理美点月明其种声全工己话儿者向情部正名定女问力机给等几很业最间新什打便")
ZH_PUNCT = ["，", "。", "、", "：", "；"]

# Common syllables of KS X 1001 and characters of Big5 level 1.
HANGUL = list("의이다는에가을하고서지로한기사어도인대리시자수아나정있그부전상일주제국해만장보원것"
              "문과되들게면우화요내적경세동성학오거구연소여위라마비미모방당신생무각관식실말통입"
              "물분회공러년발간저중히금강후드교스음조두같개르까터던행없야선결반진작않명본불래데")
HANT = list("的一是不了人我在有他這中大來上國個到說們為子和你地出道也時年得就那要下以生會自著去"
            "之過家學對可她後小麼心多天而能好都然沒日於起還發成事只作當想看文無開手十用主行方又"
            "如前所本見經頭面公同三已老從動兩長知民樣現分將外但身些與高意進把法此實回二理美點月")

EMOJI = ([chr(c) for c in range(0x1F600, 0x1F650)] + [chr(c) for c in range(0x1F300, 0x1F380)] +
         [chr(c) for c in range(0x1F680, 0x1F6C0)] + ["❤", "✨", "☀", "⚡"])

CYRILLIC = [chr(c) for c in range(0x0430, 0x0450)]
GREEK = [chr(c) for c in range(0x03B1, 0x03CA)]
EXTENSIONS = [".txt", ".jpg", ".png", ".pdf", ".docx", ".mp3", ".tar.gz", ".csv", ""]


def paragraphs(rng, make_sentence, text_bytes):
    """Sentences until the text reaches `text_bytes` of UTF-8, cut at a character."""
    parts, size = [], 0
    while size < text_bytes:
        s = make_sentence(rng)
        if rng.random() < 0.15:
            s += "\n"
        parts.append(s)
        size += len(s.encode("utf-8"))
    data = "".join(parts).encode("utf-8")[:text_bytes]
    return data.decode("utf-8", errors="ignore")


def english_sentence(rng):
    words = [rng.choice(ENGLISH) for _ in range(rng.randint(5, 18))]
    words[0] = words[0].capitalize()
    return " ".join(words) + rng.choice([". ", ", ", "? ", "! "])


def latin_sentence(rng):
    words = [rng.choice(LATIN) if rng.random() < 0.35 else rng.choice(ENGLISH)
             for _ in range(rng.randint(5, 16))]
    return " ".join(words) + ". "


def japanese_sentence(rng):
    out = []
    for _ in range(rng.randint(8, 30)):
        r = rng.random()
        pool = KANJI if r < 0.4 else HIRAGANA if r < 0.85 else KATAKANA
        out.append(rng.choice(pool))
        if rng.random() < 0.05:
            out.append(rng.choice(JA_PUNCT[:2]))
    if rng.random() < 0.1:
        out.append(str(rng.randint(1, 2024)))
    return "".join(out) + "。"


def chinese_sentence(rng):
    out = []
    for _ in range(rng.randint(8, 30)):
        out.append(rng.choice(HANZI))
        if rng.random() < 0.08:
            out.append(rng.choice(ZH_PUNCT))
    if rng.random() < 0.1:
        out.append(str(rng.randint(1, 2024)))
    return "".join(out) + "。"


def korean_sentence(rng):
    words = ["".join(rng.choice(HANGUL) for _ in range(rng.randint(1, 4)))
             for _ in range(rng.randint(4, 12))]
    return " ".join(words) + rng.choice([". ", ", ", "? "])


def traditional_sentence(rng):
    out = [rng.choice(HANT) for _ in range(rng.randint(8, 30))]
    return "".join(out) + rng.choice(["，", "。"])


def emoji_sentence(rng):
    out = []
    for _ in range(rng.randint(4, 12)):
        out.append(rng.choice(ENGLISH) if rng.random() < 0.5 else
                   "".join(rng.choice(EMOJI) for _ in range(rng.randint(1, 3))))
    return " ".join(out) + " "


def name_chars(rng, script):
    if script == "ascii":
        return list("_".join(rng.choice(ENGLISH) for _ in range(8)))
    if script == "latin":
        return list(" ".join(rng.choice(LATIN) for _ in range(6)))
    if script == "cyrillic":
        return [rng.choice(CYRILLIC) if rng.random() < 0.9 else "_" for _ in range(60)]
    if script == "greek":
        return [rng.choice(GREEK) if rng.random() < 0.9 else " " for _ in range(60)]
    if script == "japanese":
        return [rng.choice(HIRAGANA + KATAKANA + KANJI) for _ in range(60)]
    if script == "chinese":
        return [rng.choice(HANZI) for _ in range(60)]
    return list(emoji_sentence(rng) * 4)


NAME_SCRIPTS = ["ascii"] * 8 + ["latin"] * 4 + ["cyrillic"] * 2 + ["greek", "japanese",
                                                                     "japanese", "chinese",
                                                                     "chinese", "emoji"]


def file_name(rng):
    """10 to 60 characters (code points), extension included."""
    ext = rng.choice(EXTENSIONS)
    length = rng.randint(10, 60)
    stem = name_chars(rng, rng.choice(NAME_SCRIPTS))
    while len(stem) < length:
        stem += stem
    stem = "".join(stem[:length - len(ext)]).strip() or "x"
    name = stem + ext
    while len(name) < 10:
        name += "0"
    return name


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    out = sys.argv[1]
    mib = int(sys.argv[2]) if len(sys.argv) == 3 else 1
    os.makedirs(out, exist_ok=True)
    texts = {"ascii": english_sentence, "latin1": latin_sentence, "japanese": japanese_sentence,
             "chinese": chinese_sentence, "emoji": emoji_sentence, "korean": korean_sentence,
             "traditional": traditional_sentence}
    for i, (name, sentence) in enumerate(texts.items()):
        rng = random.Random(SEED + i)
        with open(os.path.join(out, name + ".txt"), "w", encoding="utf-8", newline="") as f:
            f.write(paragraphs(rng, sentence, mib << 20))
    rng = random.Random(NAMES_SEED)
    with open(os.path.join(out, "names.txt"), "w", encoding="utf-8", newline="") as f:
        for _ in range(NAMES_PER_MIB * mib):
            f.write(file_name(rng) + "\n")


if __name__ == "__main__":
    main()
