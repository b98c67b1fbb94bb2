#pragma once
// CStateImage: a whole copy of the 508-byte block in which the device reports a routing.
//
// Layout: mark (bytes 0-3), port count P (4), input count M (5), output count N (6), then the
// port table from byte 7: M input slots (input k holds its identifier k + 1), then the output
// slots (output j at byte 7 + M + j holds the identifier of the input that feeds it, 0 for
// none). Everything behind the port table is carried along, compared and copied, never read.
//
// The counts come from the device and are never trusted: whatever they say, no accessor reads
// outside the 508 bytes. Ports whose slot would lie beyond the image count as absent: an
// output whose slot is beyond byte 507 is unrouted and is fed by no input. The two readers of
// the outputs keep their own rules: the switch page walks N slots from 7 + M, the routing list
// walks the port-table positions M to P - 1, so the two differ when P != M + N.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

class CStateImage {
public:
    static constexpr std::size_t kImageSize = 508;
    // Offset of the first slot of the port table.
    static constexpr std::size_t kPortTable = 7;

    using Bytes = std::array<std::uint8_t, kImageSize>;

    // One row of the routing list: the input number, and the numbers of the outputs that it
    // feeds, each followed by a blank ("01 03 ").
    struct ListRow {
        std::string in;
        std::string out;
        bool operator==(const ListRow&) const = default;
    };

    // An image of 508 zero bytes: no mark, no ports.
    CStateImage() = default;
    // Takes the first 508 bytes starting at the mark; a shorter block is zero-filled behind its
    // end, a longer one is cut.
    explicit CStateImage(std::span<const std::uint8_t> block);

    // A valid image with M inputs (input slot k holding k + 1) and one output per entry of
    // sources: the index of the input that feeds it, or a negative value for none. The port
    // count is M + N; outputs that would take the port count beyond 255 are left out.
    static CStateImage FromRoutes(std::uint8_t inputs, std::span<const int> sources);

    bool HasMark() const;
    int PortCount() const { return m_bytes[4]; }
    int InputCount() const { return m_bytes[5]; }
    int OutputCount() const { return m_bytes[6]; }

    // Input index that feeds output j (0-based), or none when the output is unrouted, lies
    // beyond the output count or beyond the image. The index is the slot value minus one as
    // the device wrote it; it may name an input at or above InputCount.
    std::optional<int> SourceOf(int output) const;
    // Every output j below the output count whose slot names input k (holds k + 1), ascending.
    std::vector<int> OutputsFedBy(int input) const;
    // The routing list: rows 0 to M; row 0 lists the outputs with slot 0, row r >= 1 the
    // outputs whose slot equals input slot r - 1.
    std::vector<ListRow> RoutingList() const;

    // Sets the port, input and output counts to 0, as shown for a block without the mark.
    void ClearCounts();

    const Bytes& Raw() const { return m_bytes; }
    const std::uint8_t* Data() const { return m_bytes.data(); }

    // Equal only if all 508 bytes are equal, mark and carried rest included.
    bool operator==(const CStateImage&) const = default;

private:
    // Byte at an offset, or none when the offset lies beyond the image.
    std::optional<std::uint8_t> At(std::size_t offset) const;
    // The slot of output j as the switch page reads it, or none beyond the counts or the image.
    std::optional<std::uint8_t> OutputSlot(int output) const;
    // The output column of routing-list row r.
    std::string ListOutputs(int row) const;

    Bytes m_bytes{};
};
