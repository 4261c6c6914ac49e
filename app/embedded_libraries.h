#pragma once

namespace vokalin {

// Makes the byte images of "bass.dll" and "msc.dll" that travel inside the
// executable known to the library placement.
void register_embedded_libraries();

}  // namespace vokalin
