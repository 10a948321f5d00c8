#include "readers/JxlImage.h"

#include "readers/ByteOrder.h"
#include "readers/IsoBoxes.h"
#include "readers/PhotoBytes.h"

#include <jxl/decode.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

namespace {

struct DecoderDestroyer {
    void operator()(JxlDecoder* decoder) const { JxlDecoderDestroy(decoder); }
};
using Decoder = std::unique_ptr<JxlDecoder, DecoderDestroyer>;

constexpr std::size_t chunkSize = 64u << 10;
constexpr std::size_t boxLimit = 16u << 20;

bool IsMetadataBox(std::string_view type)
{
    return type == "Exif" || type == "xml " || type == "brob";
}

// Where the last box that may hold Exif or XMP ends: reading stops there once the header is read.
std::uint64_t EndOfMetadata(PhotoBytes& photo)
{
    std::uint64_t end = 0;
    for (const IsoBox& box : IsoBoxes(photo.Reader(), 0, photo.Size()))
        if (IsMetadataBox(box.type))
            end = box.end;
    return end;
}

// The content of the box libjxl is writing out, in a buffer that grows as libjxl asks for more,
// up to boxLimit.
class BoxOutput {
public:
    void Start(JxlDecoder* decoder, std::optional<std::string>* slot)
    {
        m_slot = slot;
        m_bytes.assign(chunkSize, '\0');
        m_written = 0;
        Offer(decoder);
    }
    // libjxl has filled the buffer: a larger one, or none for a box beyond the limit, whose rest
    // libjxl then skips.
    void Grow(JxlDecoder* decoder)
    {
        m_written = m_bytes.size() - JxlDecoderReleaseBoxBuffer(decoder);
        if (m_slot == nullptr || m_bytes.size() * 2 > boxLimit) {
            m_slot = nullptr;
            return;
        }
        m_bytes.resize(m_bytes.size() * 2);
        Offer(decoder);
    }
    // The box is over: its content goes to its slot.
    void Finish(JxlDecoder* decoder)
    {
        if (m_slot == nullptr)
            return;
        m_bytes.resize(m_bytes.size() - JxlDecoderReleaseBoxBuffer(decoder));
        *m_slot = std::move(m_bytes);
        m_slot = nullptr;
    }

private:
    void Offer(JxlDecoder* decoder)
    {
        JxlDecoderSetBoxBuffer(decoder, reinterpret_cast<std::uint8_t*>(m_bytes.data()) + m_written,
                               m_bytes.size() - m_written);
    }

    std::optional<std::string>* m_slot = nullptr;
    std::string m_bytes;
    std::size_t m_written = 0;
};

// The Exif box starts with the distance from its first four bytes to the TIFF header.
std::optional<std::string> TiffOfExifBox(const std::optional<std::string>& box)
{
    if (!box || box->size() < 4)
        return std::nullopt;
    const std::uint64_t header = 4 + std::uint64_t{ReadNumber(*box, 0, 4, true)};
    return header < box->size() ? std::optional<std::string>(box->substr(header)) : std::nullopt;
}

}  // namespace

std::optional<JxlContent> ReadJxl(PhotoBytes& photo)
{
    const std::optional<std::string> head = photo.Read(0, std::min<std::uint64_t>(photo.Size(), 12));
    if (!head)
        return std::nullopt;
    const JxlSignature signature = JxlSignatureCheck(reinterpret_cast<const std::uint8_t*>(head->data()), head->size());
    if (signature != JXL_SIG_CODESTREAM && signature != JXL_SIG_CONTAINER)
        return std::nullopt;
    JxlContent content;
    const Decoder decoder(JxlDecoderCreate(nullptr));
    if (!decoder || JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO | JXL_DEC_BOX) != JXL_DEC_SUCCESS ||
        JxlDecoderSetDecompressBoxes(decoder.get(), JXL_TRUE) != JXL_DEC_SUCCESS)
        return content;
    const std::uint64_t metadataEnd = signature == JXL_SIG_CONTAINER ? EndOfMetadata(photo) : 0;

    std::optional<std::string> exifBox;
    BoxOutput box;
    std::string input;        // what libjxl has been given and not yet consumed
    std::uint64_t given = 0;  // of the file so far
    std::uint64_t consumed = 0;
    JxlDecoderSetInput(decoder.get(), nullptr, 0);
    for (bool reading = true; reading;) {
        switch (JxlDecoderProcessInput(decoder.get())) {
        case JXL_DEC_NEED_MORE_INPUT: {
            const std::size_t left = JxlDecoderReleaseInput(decoder.get());
            consumed = given - left;
            if ((content.sized && consumed >= metadataEnd) || given >= photo.Size()) {
                reading = false;
                break;
            }
            input.erase(0, input.size() - left);
            const std::size_t more = static_cast<std::size_t>(std::min<std::uint64_t>(chunkSize, photo.Size() - given));
            input.resize(left + more);
            const std::size_t read = photo.ReadAt(given, input.data() + left, more);
            input.resize(left + read);
            given += read;
            if (read == 0) {
                reading = false;
                break;
            }
            JxlDecoderSetInput(decoder.get(), reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
            break;
        }
        case JXL_DEC_BASIC_INFO: {
            JxlBasicInfo info{};
            if (JxlDecoderGetBasicInfo(decoder.get(), &info) == JXL_DEC_SUCCESS) {
                content.sized = true;
                content.width = info.xsize;
                content.height = info.ysize;
            }
            break;
        }
        case JXL_DEC_BOX: {
            box.Finish(decoder.get());
            JxlBoxType type{};
            if (JxlDecoderGetBoxType(decoder.get(), type, JXL_TRUE) != JXL_DEC_SUCCESS)
                break;
            const std::string_view name(type, sizeof type);
            if (name == "Exif" && !exifBox)
                box.Start(decoder.get(), &exifBox);
            else if (name == "xml " && !content.xmp)
                box.Start(decoder.get(), &content.xmp);
            break;
        }
        case JXL_DEC_BOX_NEED_MORE_OUTPUT:
            box.Grow(decoder.get());
            break;
        default:  // the end of the file, or a damaged one
            reading = false;
            break;
        }
    }
    box.Finish(decoder.get());
    content.exif = TiffOfExifBox(exifBox);
    return content;
}
