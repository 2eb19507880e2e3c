// The one home of the stb decoders and the PNG encoder, the same on every
// build so that tests compare like with like.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
// Every decoder runs on one thread; thread-local error state would bring the
// threads library into the player.
#define STBI_NO_THREAD_LOCALS
#include <stb_image.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

// The TrueType reader, for device fonts' outlines and metrics; glyphs are
// drawn by our own rasteriser.
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>
