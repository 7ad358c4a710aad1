#!/usr/bin/env python3
"""Writes the hand-made seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The seeds are committed; run this again only to change them. Texts are stored in GBK, as the
program stores them.
"""
import pathlib
import struct

ROOT = pathlib.Path(__file__).resolve().parent / "corpus"


def gbk(text):
    return text.encode("gbk")


def write(target, name, data):
    folder = ROOT / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


# INI engine: section, key and value each ended by a NUL byte, then the file's content.
def ini(name, section, key, value, content):
    write("ini", name, b"\0".join([gbk(section), gbk(key), gbk(value), gbk(content)]))


FIRST_START = "[设置]\r\n第一次启动=1\r\n提醒时间段设置=0*0*0*0*0*0*0*0*0*0*0*0*\r\n左边=412\r\n顶边=305\r\n"
FULL = (
    "; 用户自己加的注释\r\n"
    "[其他]\r\n左边=1\r\n\r\n"
    "[设置]\r\n第一次启动=1\r\n提醒时间段设置=30*0*0*60*0*0*0*0*0*0*0*0*\r\n左边=-8\r\n顶边=120\r\n"
    "桌面导航=0\r\n提醒时辰列表=巳*子*\r\n音乐=1\r\n蜂鸣=0\r\n提示框=1\r\n启动登录器=\r\n"
    "音乐路径 = \"/home/用户/声音/铃.wav\"\r\n游戏路径='/opt/游戏/启动'\r\n\r\n"
    "[另一节]\r\nkey=value"
)
ini("first-start", "设置", "左边", "120", FIRST_START)
ini("no-file-yet", "设置", "第一次启动", "1", "")
ini("full", "设置", "提醒时辰列表", "巳*子*辰*", FULL)
ini("new-key", "设置", "桌面导航", "1", FULL)
ini("new-section", "新的一节", "键", "值", FULL)
ini("quoted", "设置", "音乐路径", "'铃.wav'", FULL)
ini("case", "Settings", "LEFT", "7", "[settings]\nleft=1\nTop=2")
ini("trail-bytes", "乕乚", "丄=", "1", "[乕乚]\r\n丄=0\r\n乗=2\r\n")
ini("long-value", "设置", "提醒时间段设置", "1*" * 5200, FIRST_START + "音乐路径=" + "长" * 5200 + "\r\n")

# Text-to-integer rule: the whole input is the text.
for name, text in {
    "plain": "120",
    "negative-with-tail": "  -42秒",
    "plus": "+7",
    "full-width": "２０２４",
    "full-width-space-and-sign": "　－１２",
    "wraps": "4294967297",
    "smallest": "-2147483648",
    "blanks": "\t\n 99",
    "no-digits": "十二",
    "empty": "",
}.items():
    write("text_to_int", name, gbk(text))


# Lists: read by FuzzedDataProvider (strings end at a backslash followed by another byte;
# numbers are taken from the end of the input).
def fdp_string(text):
    return gbk(text).replace(b"\\", b"\\\\") + b"\\ "


write("lists", "default", fdp_string("0*0*0*0*0*0*0*0*0*0*0*0*") + fdp_string("30") + fdp_string("")
      + fdp_string("子*辰*子*") + fdp_string("子") + bytes(range(0, 40, 3)) + b"\x03")
write("lists", "fourteen", fdp_string("5*10*" + "0*" * 12) + fdp_string("5**")
      + fdp_string("巳*") + fdp_string("巳") + bytes([0, 0, 5, 12, 13, 14, 15, 16, 5, 12]) + b"\x02")
write("lists", "no-terminator", fdp_string("5*10") + fdp_string("乕*乚") + fdp_string("丄*A*")
      + fdp_string("A") + bytes([12, 13, 13, 12, 16, 14, 15]) + b"\x01")


# MIDI: Standard MIDI Files.
def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, (value & 0x7F) | 0x80)
        value >>= 7
    return bytes(out)


def midi(fmt, division, tracks):
    out = b"MThd" + struct.pack(">IHHH", 6, fmt, len(tracks), division)
    for body in tracks:
        out += b"MTrk" + struct.pack(">I", len(body)) + body
    return out


END = b"\x00\xff\x2f\x00"
TEMPO = b"\x00\xff\x51\x03\x07\xa1\x20"  # 500,000 us per quarter note
NOTE = b"\x00\x90\x48\x64" + vlq(48) + b"\x80\x48\x00"  # a 50 ms note at 480 ticks per beat
for target in ("midi_length", "sound_play"):
    write(target, "note.mid", midi(0, 480, [TEMPO + NOTE + END]))
    write(target, "two-tracks.mid", midi(1, 96, [TEMPO + END, b"\x00\xc0\x05" + NOTE + b"\x00\x90\x3c\x40\x10\x3c\x00" + END]))
write("midi_length", "smpte.mid", midi(0, 0xE728, [NOTE + END]))
write("midi_length", "format2-sysex.mid", midi(2, 480, [b"\x00\xf0\x03\x7e\x7f\xf7" + NOTE + END, NOTE]))


# Sound files: tiny RIFF WAVE files and something that is no sound.
def wav(rate, bits, channels, samples):
    width = bits // 8
    if bits == 8:
        data = bytes(128 + round(s * 100) for s in samples)
    else:
        data = b"".join(struct.pack("<h", round(s * 20000)) for s in samples)
    fmt = struct.pack("<HHIIHH", 1, channels, rate, rate * channels * width, channels * width, bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def square(count, period):
    return [1.0 if (i // (period // 2)) % 2 == 0 else -1.0 for i in range(count)]


write("sound_play", "tone8.wav", wav(8000, 8, 1, square(400, 16)))
write("sound_play", "tone16-stereo.wav", wav(11025, 16, 2, square(300, 20)))
write("sound_play", "truncated.wav", wav(8000, 16, 1, square(200, 16))[:-100])
write("sound_play", "not-a-sound.txt", gbk("这不是声音文件"))


# The other kinds the sound layer tells apart, each as small as its format allows.
def aiff(rate_exponent, samples):
    data = bytes(s & 0xFF for s in samples)
    rate = struct.pack(">HQ", 0x3FFF + rate_exponent, 8000 << (63 - rate_exponent))  # 8000 Hz
    comm = struct.pack(">hIh", 1, len(data), 8) + rate
    ssnd = struct.pack(">II", 0, 0) + data
    body = b"AIFF" + b"COMM" + struct.pack(">I", len(comm)) + comm + b"SSND" + struct.pack(">I", len(ssnd)) + ssnd
    return b"FORM" + struct.pack(">I", len(body)) + body


def voc(samples):
    data = bytes(128 + round(s * 100) for s in samples)
    header = b"Creative Voice File\x1a" + struct.pack("<HHH", 26, 0x010A, 0x1129)
    block = bytes([1]) + struct.pack("<I", len(data) + 2)[:3] + bytes([256 - 125, 0]) + data
    return header + block + b"\0"


def crc(data, poly, bits):
    value = 0
    top = 1 << (bits - 1)
    for byte in data:
        value ^= byte << (bits - 8)
        for _ in range(8):
            value = ((value << 1) ^ poly) if value & top else value << 1
            value &= (1 << bits) - 1
    return value


def flac():
    info = struct.pack(">HH", 192, 192) + b"\0" * 6  # block sizes; frame sizes unknown
    info += ((44100 << 44) | (0 << 41) | (15 << 36) | 192).to_bytes(8, "big")  # mono, 16 bits
    info += b"\0" * 16  # no MD5
    header = b"\xff\xf8\x19\x08\x00"  # 192 samples at 44.1 kHz, mono, 16 bits, frame 0
    frame = header + bytes([crc(header, 0x07, 8)]) + b"\x00\x00\x00"  # one constant subframe: 0
    frame += crc(frame, 0x8005, 16).to_bytes(2, "big")
    return b"fLaC" + b"\x80\x00\x00\x22" + info + frame


def mp3_frames(count):
    # MPEG-1 layer III, 128 kbit/s, 44.1 kHz, mono: 417 bytes a frame; all-zero side information
    # and main data decode as silence.
    return (b"\xff\xfb\x90\xc0" + b"\0" * 413) * count


write("sound_play", "tone.aiff", aiff(12, [(i // 8) % 2 * 60 - 30 for i in range(200)]))
write("sound_play", "tone.voc", voc(square(200, 16)))
write("sound_play", "silence.flac", flac())
write("sound_play", "silence.mp3", mp3_frames(3))
write("sound_play", "tagged.mp3", b"ID3\x03\x00\x00\x00\x00\x00\x0a" + b"\0" * 10 + mp3_frames(2))
write("sound_play", "broken.ogg", b"OggS\x00\x02" + b"\0" * 20 + b"\x01\x1evorbis")
