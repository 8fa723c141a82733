// The full card the whole-card benchmarks read: 10,000 waves in 100 data and
// parameter folders, 20 categories, 100 kit files.
#pragma once

#include <cstdint>
#include <string>

// Writes the card below `root` (which must exist) and syncs it. Each audio
// file is a mono 44.1 kHz 16-bit WAV file of a few hundred frames, or, when
// `audioBytes` is larger, one whose sound fills `audioBytes` bytes (held
// sparse, so ten thousand of them cost little disk). Returns false when a
// file cannot be written.
bool benchMakeFullCard(const std::string &root, uint64_t audioBytes = 0);
// Returns the path of the built `kvbrt` beside the running benchmark's folder.
std::string benchKvbrtPath();
