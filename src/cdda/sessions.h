#pragma once
// Where the first session of a disc ends. An Enhanced CD (CD-Extra) has
// its audio tracks in session one and a data track in session two; the
// plain TOC gives the data track's start as the end of the last audio
// track, but between the two lie the first session's lead-out, the second
// one's lead-in and the data track's pre-gap: 11 400 sectors that are no
// part of the song. The full TOC (READ TOC format 2) tells where each
// session's lead-out starts; where a drive does not give it, the session
// information (format 1) names the first track of the last session, and
// the gap is taken off the start of that track.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "cdda/scsi_commands.h"

namespace sonavix::cdda {

// Lead-out of the first session (6750) + lead-in of the next (4500) + the
// data track's pre-gap (150).
inline constexpr std::uint32_t kSessionGapSectors = 11400;

Cdb ReadSessionInfoCdb();  // 43h, format 1
Cdb ReadFullTocCdb();      // 43h, format 2, session 1 on
inline constexpr std::size_t kFullTocBytes = 2048;

// From a format 2 reply: the start (LBA) of the lead-out of the session
// that holds `track`; empty when the reply does not say.
std::optional<std::uint32_t> SessionLeadOut(const std::uint8_t* data, std::size_t size, int track);

// From a format 1 reply: the first track of the last session, when the disc
// has more than one session.
std::optional<int> FirstTrackOfLastSession(const std::uint8_t* data, std::size_t size);

}  // namespace sonavix::cdda
