/* The exchange file for the GIMP plug-in, which is written in C: a host
   buffer of width x height pixels of planes bytes (red, green, blue
   first), rows row_bytes apart. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

enum
{
  FACETTE_EXCHANGE_OK = 0,
  /* No exchange file is left: nothing to take back. */
  FACETTE_EXCHANGE_NONE = 1,
  /* The file is damaged or holds an image of another size. */
  FACETTE_EXCHANGE_MISMATCH = 2,
  /* The file could not be written. */
  FACETTE_EXCHANGE_FAILED = 3
};

/* Writes the buffer into a new exchange file; left and top place it in the
   host's image. */
int facette_exchange_write(const char *file_name, int left, int top, int width, int height,
                           int planes, const unsigned char *pixels, int row_bytes);

/* Reads the edited image back into the buffer: colour only, further planes
   stay as they are. The buffer is left alone unless the result is OK. */
int facette_exchange_read(const char *file_name, int width, int height, int planes,
                          unsigned char *pixels, int row_bytes);

#ifdef __cplusplus
}
#endif
