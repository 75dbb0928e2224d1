// libjpeg decoding behind a C-style boundary (see jpeg_codec.h). Only C
// structs live in these functions: every libjpeg error unwinds by longjmp to
// the setjmp of the function that called libjpeg.
#include "framework/jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/picture_budget.h"

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void Fail(j_common_ptr cinfo, const char* text) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(manager->message, sizeof(manager->message), "%s", text);
    std::longjmp(manager->jump, 1);
}

// libjpeg's own handler prints and calls exit(); ours returns to the caller.
[[noreturn]] void OnError(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

// Warnings (recoverable damage in the data) are not errors: the picture is
// shown as libjpeg recovers it. Nothing is ever printed.
void OnEmitMessage(j_common_ptr, int) {}
void OnOutputMessage(j_common_ptr) {}

void OnInitSource(j_decompress_ptr) {}
void OnTermSource(j_decompress_ptr) {}

// All the data is in the buffer from the start: asking for more means the
// file was cut short.
boolean OnFillInput(j_decompress_ptr cinfo) {
    ERREXIT(cinfo, JERR_INPUT_EOF);
    return FALSE;
}

void OnSkipInput(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* source = cinfo->src;
    if (static_cast<size_t>(count) > source->bytes_in_buffer) ERREXIT(cinfo, JERR_INPUT_EOF);
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<size_t>(count);
}

void OnProgress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kJpegMaxScans) Fail(cinfo, "JPEG image has too many scans");
    const int64_t area = int64_t{d->image_width} * d->image_height;
    if (area > 0 && d->input_scan_number > kJpegMaxScanPixels / area)
        Fail(cinfo, "JPEG image has too many scans for its size");
}

struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager error;
    jpeg_source_mgr source;
    jpeg_progress_mgr progress;
};

void Start(Decoder* d) {
    d->cinfo.err = jpeg_std_error(&d->error.pub);
    d->error.pub.error_exit = OnError;
    d->error.pub.emit_message = OnEmitMessage;
    d->error.pub.output_message = OnOutputMessage;
    d->error.message[0] = '\0';
}

void Open(Decoder* d, const unsigned char* data, size_t size) {
    jpeg_create_decompress(&d->cinfo);
    d->cinfo.mem->max_memory_to_use = kJpegMaxMemory;
    d->source.next_input_byte = data;
    d->source.bytes_in_buffer = size;
    d->source.init_source = OnInitSource;
    d->source.fill_input_buffer = OnFillInput;
    d->source.skip_input_data = OnSkipInput;
    d->source.resync_to_restart = jpeg_resync_to_restart;
    d->source.term_source = OnTermSource;
    d->cinfo.src = &d->source;
    d->progress.progress_monitor = OnProgress;
    d->cinfo.progress = &d->progress;
    jpeg_read_header(&d->cinfo, TRUE);
}

void CopyMessage(const Decoder* d, char* error, size_t errorSize) {
    if (error && errorSize > 0) std::snprintf(error, errorSize, "%s", d->error.message);
}

unsigned char Scale(int a, int b) { return static_cast<unsigned char>((a * b + 127) / 255); }

}  // namespace

bool JpegReadHeader(const unsigned char* data, size_t size, TJpegHeader* header, char* error,
                    size_t errorSize) noexcept {
    Decoder d;
    Start(&d);
    if (setjmp(d.error.jump)) {
        jpeg_destroy_decompress(&d.cinfo);
        CopyMessage(&d, error, errorSize);
        return false;
    }
    Open(&d, data, size);
    header->Width = static_cast<int>(d.cinfo.image_width);
    header->Height = static_cast<int>(d.cinfo.image_height);
    header->Components = d.cinfo.num_components;
    header->Progressive = d.cinfo.progressive_mode != 0;
    jpeg_destroy_decompress(&d.cinfo);
    return true;
}

bool JpegDecode(const unsigned char* data, size_t size, const TJpegDecodeOptions* options, TJpegPixels* pixels,
                char* error, size_t errorSize) noexcept {
    Decoder d;
    Start(&d);
    pixels->Data = nullptr;
    if (setjmp(d.error.jump)) {
        jpeg_destroy_decompress(&d.cinfo);
        JpegFreePixels(pixels);
        CopyMessage(&d, error, errorSize);
        return false;
    }
    Open(&d, data, size);
    jpeg_decompress_struct& cinfo = d.cinfo;
    // Before libjpeg sets up its buffers, which grow with the picture.
    if (!PictureFitsBudget(cinfo.image_width, cinfo.image_height))
        Fail(reinterpret_cast<j_common_ptr>(&cinfo), "JPEG image is too large");

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool mapped = options->Quantize && options->Colormap && options->ColormapSize > 0;
    if (cmyk) {
        // The quantiser wants RGB; CMYK pictures come out in 24 bits.
        cinfo.out_color_space = JCS_CMYK;
    } else if (grey && !mapped) {
        // Grey levels: 8-bit output needs no quantiser, 24-bit output repeats them.
        cinfo.out_color_space = JCS_GRAYSCALE;
    } else {
        cinfo.out_color_space = JCS_RGB;
        if (mapped) {
            const int count = options->ColormapSize > 256 ? 256 : options->ColormapSize;
            cinfo.quantize_colors = TRUE;
            cinfo.colormap = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                        static_cast<JDIMENSION>(count), 3);
            for (int i = 0; i < count; ++i)
                for (int c = 0; c < 3; ++c) cinfo.colormap[c][i] = options->Colormap[i][c];
            cinfo.actual_number_of_colors = count;
            cinfo.dither_mode = JDITHER_FS;
        } else if (options->Quantize) {
            cinfo.quantize_colors = TRUE;
            cinfo.desired_number_of_colors = 256;
            cinfo.two_pass_quantize = TRUE;
            cinfo.dither_mode = JDITHER_FS;
        }
    }
    jpeg_start_decompress(&cinfo);

    const bool indexed = cinfo.quantize_colors || (cinfo.out_color_space == JCS_GRAYSCALE && options->Quantize);
    const bool greyIndexed = indexed && !cinfo.quantize_colors;
    pixels->Width = static_cast<int>(cinfo.output_width);
    pixels->Height = static_cast<int>(cinfo.output_height);
    pixels->BytesPerPixel = indexed ? 1 : 3;
    pixels->Stride = (static_cast<size_t>(pixels->Width) * static_cast<size_t>(pixels->BytesPerPixel) + 3) & ~size_t{3};
    if (pixels->Width <= 0 || pixels->Height <= 0 ||
        pixels->Stride > kJpegMaxPixelBytes / static_cast<size_t>(pixels->Height))
        Fail(reinterpret_cast<j_common_ptr>(&cinfo), "JPEG image is too large");
    pixels->Data = static_cast<unsigned char*>(std::calloc(pixels->Stride, static_cast<size_t>(pixels->Height)));
    if (!pixels->Data) Fail(reinterpret_cast<j_common_ptr>(&cinfo), "Not enough memory for the JPEG image");

    const int components = cinfo.output_components;
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                cinfo.output_width * static_cast<JDIMENSION>(components), 1);
    const bool adobeInverted = cmyk && cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        if (jpeg_read_scanlines(&cinfo, row, 1) != 1) Fail(reinterpret_cast<j_common_ptr>(&cinfo), "JPEG data ended early");
        unsigned char* out = pixels->Data + static_cast<size_t>(pixels->Height - 1 - y) * pixels->Stride;
        const JSAMPLE* in = row[0];
        if (indexed) {
            std::memcpy(out, in, static_cast<size_t>(pixels->Width));
        } else if (cmyk) {
            for (int x = 0; x < pixels->Width; ++x, in += 4, out += 3) {
                int c = in[0], m = in[1], yl = in[2], k = in[3];
                if (!adobeInverted) {
                    c = 255 - c;
                    m = 255 - m;
                    yl = 255 - yl;
                    k = 255 - k;
                }
                out[0] = Scale(yl, k);
                out[1] = Scale(m, k);
                out[2] = Scale(c, k);
            }
        } else if (components == 1) {
            for (int x = 0; x < pixels->Width; ++x, out += 3) out[0] = out[1] = out[2] = in[x];
        } else {
            for (int x = 0; x < pixels->Width; ++x, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
        }
    }

    pixels->PaletteSize = 0;
    if (greyIndexed) {
        pixels->PaletteSize = 256;
        for (int i = 0; i < 256; ++i)
            pixels->Palette[i][0] = pixels->Palette[i][1] = pixels->Palette[i][2] = static_cast<unsigned char>(i);
    } else if (indexed) {
        pixels->PaletteSize = cinfo.actual_number_of_colors;
        for (int i = 0; i < cinfo.actual_number_of_colors; ++i)
            for (int c = 0; c < 3; ++c)
                pixels->Palette[i][c] = cinfo.out_color_components == 3 ? cinfo.colormap[c][i] : cinfo.colormap[0][i];
    }
    // Whatever follows the last row (normally just the end marker) is not
    // needed; a file that lacks it still shows.
    jpeg_destroy_decompress(&cinfo);
    return true;
}

void JpegFreePixels(TJpegPixels* pixels) noexcept {
    std::free(pixels->Data);
    pixels->Data = nullptr;
}
