// Encodes stereo sample buffers as Ogg Vorbis files through libvorbisenc.
#include "audio/ogg_file.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdio>

namespace datagen {

namespace {

constexpr int kSerial = 0x56454C4D;  // fixed, for byte-identical output from run to run
constexpr int kChunk = 4096;

bool WritePage(FILE* f, const ogg_page& page) {
    return std::fwrite(page.header, 1, page.header_len, f) == static_cast<size_t>(page.header_len) &&
           std::fwrite(page.body, 1, page.body_len, f) == static_cast<size_t>(page.body_len);
}

// Pulls every finished packet out of the encoder into the stream and writes the full pages.
bool Drain(vorbis_dsp_state& dsp, vorbis_block& block, ogg_stream_state& stream, FILE* f) {
    ogg_packet packet;
    ogg_page page;
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
            ogg_stream_packetin(&stream, &packet);
            while (ogg_stream_pageout(&stream, &page))
                if (!WritePage(f, page)) return false;
        }
    }
    return true;
}

}  // namespace

bool WriteOgg(const std::string& path, const synth::Buffer& left, const synth::Buffer& right, float quality) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "velmoran-datagen: cannot write %s\n", path.c_str());
        return false;
    }
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, synth::kRate, quality) != 0) {
        std::fclose(f);
        vorbis_info_clear(&info);
        std::fprintf(stderr, "velmoran-datagen: the Vorbis encoder refused its settings for %s\n",
                     path.c_str());
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "ENCODER", "velmoran-datagen");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, kSerial);

    bool ok = true;
    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page page;
    while (ok && ogg_stream_flush(&stream, &page)) ok = WritePage(f, page);

    for (size_t at = 0; ok && at < left.size(); at += kChunk) {
        int n = static_cast<int>(std::min<size_t>(kChunk, left.size() - at));
        float** buffer = vorbis_analysis_buffer(&dsp, n);
        std::copy_n(left.data() + at, n, buffer[0]);
        std::copy_n(right.data() + at, n, buffer[1]);
        vorbis_analysis_wrote(&dsp, n);
        ok = Drain(dsp, block, stream, f);
    }
    if (ok) {
        vorbis_analysis_wrote(&dsp, 0);  // end of stream
        ok = Drain(dsp, block, stream, f);
    }
    while (ok && ogg_stream_flush(&stream, &page)) ok = WritePage(f, page);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    if (std::fclose(f) != 0) ok = false;
    if (!ok) std::fprintf(stderr, "velmoran-datagen: cannot write %s\n", path.c_str());
    return ok;
}

}  // namespace datagen
