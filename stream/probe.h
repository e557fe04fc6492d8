#pragma once

#include "stream/streaminfo.h"

#include <QString>
#include <cstdint>
#include <functional>

// Looks into the byte stream without decoding it: where the first audio frame begins, the
// frame's bit rate and sampling rate, and which codec an Ogg stream carries. Every scan
// stays inside the length it is given.
class FrameProbe {
public:
    using Output = std::function<void(const QString& text)>;

    FrameProbe(StreamFormat& format, Output output) : format_(format), output_(std::move(output)) {}

    void reset();

    // Bit rate (kbit/s) of the MP3 frame at p, or -1. data[p] is 0xFF.
    int mp3Frame(const unsigned char* data, int length, int p);
    // Offset of the first valid MP3 frame, or -1.
    int mp3Scan(const unsigned char* data, int length);
    int aacFrame(const unsigned char* data, int length, int p);
    int aacScan(const unsigned char* data, int length);
    // Where writing to the player begins (0 when nothing is found); announces the format
    // while announce is true.
    int firstFrameOffset(const unsigned char* data, int length, bool announce);

    struct OggCodec {
        int formatCode = 0; // 0: no codec header found
        int offset = 0;     // start of the codec data
    };
    // The codec of the first Ogg page in the data; announces it while announce is true.
    OggCodec oggSearch(const unsigned char* data, int pending, bool announce);

    // The last firstFrameOffset announced an MP3 or AAC stream.
    bool audioAnnounced = false;
    int frameBitRate = 0;
    int frameSampleRate = 0;
    int averagedSampleRate = 0;
    double smoothedBitRate = 0;

private:
    void noteSampleRate(int rate, const int* table, int tableSize);
    void smooth(int bitRate);
    // The first frame sync (0xFF, then a byte of at least minSecond) that frame accepts.
    int scan(const unsigned char* data, int length, unsigned minSecond,
             int (FrameProbe::*frame)(const unsigned char*, int, int));

    StreamFormat& format_;
    Output output_;
    int rateSum_ = 0;
    int rateCount_ = 0;
};

// The format the first bytes of a stream are in, for an answer whose content type does not
// say: FormatOgg (its codec is found later, as for application/ogg), FormatFlac, FormatWav,
// FormatMp3 or FormatAac; FormatNone when none of them begins there.
int formatFromBytes(const unsigned char* data, int length);
