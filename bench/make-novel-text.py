#!/usr/bin/env python3
"""Writes a made-up Japanese novel in Aozora Bunko notation for the novel
benchmark: a title block, chapters with headings, paragraphs of narration and
dialogue, ruby (with and without ｜), emphasis, upright digits, indented
letters, page breaks and a colophon. The words are drawn from small lists
below with a fixed seed, so the same size gives the same book every time.

Usage: make-novel-text.py [--shape book|one-line|short-lines]
                          [--encoding shift_jis|utf-8] BYTES FILE
  book         chapters and paragraphs, CR LF line ends (the default);
               a little under BYTES, the colophon always at its end
  one-line     one paragraph of narration with no line end at all
  short-lines  lines of a few words each, as in verse or a chat log
"""

import argparse
import random

# Words with their readings: the reading becomes ruby now and then.
RUBY_WORDS = [
    ("灯台", "とうだい"), ("岬", "みさき"), ("硝子", "ガラス"), ("港町", "みなとまち"),
    ("便箋", "びんせん"), ("黄昏", "たそがれ"), ("陽炎", "かげろう"), ("欄干", "らんかん"),
    ("薄氷", "うすらい"), ("鴎", "かもめ"), ("篝火", "かがりび"), ("囲炉裏", "いろり"),
    ("行灯", "あんどん"), ("提灯", "ちょうちん"), ("紫陽花", "あじさい"), ("蜻蛉", "とんぼ"),
    ("時雨", "しぐれ"), ("東雲", "しののめ"), ("簪", "かんざし"), ("団扇", "うちわ"),
]
NOUNS = [
    "雨", "夜", "駅", "本", "窓", "街灯", "光", "傘", "店主", "声", "町", "海", "波", "風",
    "少年", "手紙", "老人", "港", "電車", "時刻", "空", "月", "星", "道", "橋", "川", "山",
    "部屋", "机", "帳面", "机上", "畳", "障子", "庭", "石段", "坂", "森", "鳥", "花", "影",
    "記憶", "約束", "返事", "名前", "話", "顔", "手", "指", "肩", "足音", "朝", "季節",
]
VERBS = [
    "読んでいた", "歩いていった", "立ち止まった", "振り返った", "考えていた", "眺めていた",
    "書きつけた", "待っていた", "笑った", "黙りこんだ", "思い出した", "耳を澄ました",
    "うなずいた", "首を横に振った", "目を閉じた", "息をついた", "戸を開けた", "灯りをともした",
]
ADJECTIVES = [
    "古い", "静かな", "遠い", "小さな", "白い", "冷たい", "懐かしい", "ぼんやりとした",
    "細い", "暗い", "明るい", "やわらかな", "長い", "短い", "青い", "赤い",
]
PARTICLES = ["は", "が", "を", "に", "で", "の", "と", "へ", "から", "まで"]
ADVERBS = ["ゆっくりと", "そっと", "ふいに", "しばらく", "やがて", "もう一度", "いつまでも", "少しだけ"]
NAMES = ["彼女", "彼", "おじさん", "少女", "店主", "老人", "母", "兄"]
CONNECTIVES = ["それから", "けれども", "そのとき", "やがて", "ところが", "だから"]
KANJI_NUMBERS = "一二三四五六七八九十"


class Writer:
    def __init__(self, seed):
        self.rng = random.Random(seed)
        self.chapter = 0

    def pick(self, items):
        return items[self.rng.randrange(len(items))]

    def noun(self):
        if self.rng.random() < 0.12:
            word, reading = self.pick(RUBY_WORDS)
            if self.rng.random() < 0.5:
                return f"{word}《{reading}》"
            # A base after other kanji needs ｜ to say where it starts.
            return f"{self.pick(ADJECTIVES)}｜{word}《{reading}》"
        return self.pick(NOUNS)

    def clause(self):
        parts = [self.pick(NAMES), "は"]
        for _ in range(self.rng.randrange(1, 4)):
            if self.rng.random() < 0.4:
                parts.append(self.pick(ADJECTIVES))
            parts += [self.noun(), self.pick(PARTICLES)]
        if self.rng.random() < 0.4:
            parts.append(self.pick(ADVERBS))
        parts.append(self.pick(VERBS))
        return "".join(parts)

    def sentence(self):
        clauses = [self.clause() for _ in range(self.rng.randrange(1, 3))]
        text = "、".join(clauses) + "。"
        roll = self.rng.random()
        if roll < 0.05:
            # A phrase with sesame dots beside it.
            word = self.pick(NOUNS)
            text = f"{word}だけが残った［＃「{word}」に傍点］。" + text
        elif roll < 0.09:
            # A number of one or two digits, upright in vertical writing.
            number = str(self.rng.randrange(1, 100))
            text = f"時計は{number}［＃「{number}」は縦中横］時を指していた。" + text
        elif roll < 0.11:
            text = text[:-1] + "――" + self.pick(ADVERBS) + "……。"
        return text

    def paragraph(self):
        if self.rng.random() < 0.25:
            return "「" + self.sentence()[:-1] + "」と" + self.pick(NAMES) + "は言った。"
        text = ""
        if self.rng.random() < 0.3:
            text = self.pick(CONNECTIVES) + "、"
        return "　" + text + "".join(self.sentence() for _ in range(self.rng.randrange(1, 6)))

    def chapter_lines(self):
        self.chapter += 1
        number = "".join(KANJI_NUMBERS[int(d) - 1] if d != "0" else "〇" for d in str(self.chapter))
        heading = f"第{number}章"
        lines = []
        if self.chapter > 1 and self.rng.random() < 0.5:
            lines.append("［＃改ページ］")
        lines += ["", f"［＃３字下げ］{heading}［＃「{heading}」は中見出し］", ""]
        for _ in range(self.rng.randrange(15, 40)):
            if self.rng.random() < 0.03:
                lines.append("［＃ここから２字下げ］")
                lines += [self.sentence() for _ in range(self.rng.randrange(2, 5))]
                lines.append("［＃ここで字下げ終わり］")
            else:
                lines.append(self.paragraph())
        return lines


HEADER = [
    "灯台守《とうだいもり》の手紙　長篇",
    "浜野潮",
    "",
    "-------------------------------------------------------",
    "【テキスト中に現れる記号について】",
    "",
    "《》：ルビ",
    "（例）灯台守《とうだいもり》",
    "",
    "｜：ルビの付く文字列の始まりを特定する記号",
    "（例）古い｜硝子瓶《ガラスびん》",
    "",
    "［＃］：入力者注　主に外字の説明や、傍点の位置の指定",
    "-------------------------------------------------------",
    "",
]
FOOTER = [
    "［＃地付き］（了）",
    "",
    "底本：「灯台守の手紙」架空書房",
    "　　　2024（令和6）年4月1日第1刷発行",
    "入力：浜野潮",
]


def lines_up_to(size, codec, head, body, tail):
    """The head, then lines from body while the whole stays within size bytes
    with the tail, then the tail."""
    def length(lines):
        return sum(len(line.encode(codec)) + 2 for line in lines)

    room = size - length(head) - length(tail)
    lines = list(head)
    while True:
        more = body()
        if length(more) > room:
            break
        room -= length(more)
        lines += more
    return lines + tail


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--shape", choices=["book", "one-line", "short-lines"], default="book")
    parser.add_argument("--encoding", choices=["shift_jis", "utf-8"], default="shift_jis")
    parser.add_argument("size", type=int)
    parser.add_argument("file")
    args = parser.parse_args()
    codec = "cp932" if args.encoding == "shift_jis" else "utf-8"
    writer = Writer(seed=20240401)
    if args.shape == "one-line":
        text = ""
        while len(text.encode(codec)) < args.size:
            text += "".join(writer.sentence() for _ in range(64))
        data = text.encode(codec)
        # Cut to the size at a character boundary.
        data = data[: args.size].decode(codec, errors="ignore").encode(codec)
    elif args.shape == "book":
        lines = lines_up_to(args.size, codec, HEADER, writer.chapter_lines, FOOTER)
        data = "".join(line + "\r\n" for line in lines).encode(codec)
    else:
        lines = lines_up_to(args.size, codec, [], lambda: [writer.clause()], [])
        data = "".join(line + "\r\n" for line in lines).encode(codec)
    with open(args.file, "wb") as out:
        out.write(data)


if __name__ == "__main__":
    main()
