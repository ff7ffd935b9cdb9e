/* "Facette…" in GIMP's Filters menu: writes the active layer (or the part
   of it under the selection's bounds) into an exchange file, runs the
   editor on it, and when the editor exits with 0 writes the retouched
   pixels back as one undo step. The editor is found through the
   environment variable FACETTE_PROGRAM, else where it was installed, else
   on the PATH. */
#include "ZrExchangeBridge.h"

#include <libgimp/gimp.h>

#include <glib/gstdio.h>
#include <sys/wait.h>
#include <unistd.h>

#define PLUG_IN_PROC "plug-in-facette"

static void query (void);
static void run (const gchar *name, gint n_params, const GimpParam *param, gint *n_return_vals,
                 GimpParam **return_vals);

const GimpPlugInInfo PLUG_IN_INFO = { NULL, NULL, query, run };

MAIN ()

static void
query (void)
{
  static const GimpParamDef args[] = {
    { GIMP_PDB_INT32, "run-mode", "The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1) }" },
    { GIMP_PDB_IMAGE, "image", "Input image" },
    { GIMP_PDB_DRAWABLE, "drawable", "Input drawable" },
  };

  gimp_install_procedure (PLUG_IN_PROC, "Retouch the layer in Facette",
                          "Opens the active layer, or the part of it within the selection's "
                          "bounds, in the Facette portrait editor. Choosing OK there brings the "
                          "retouched pixels back as one undo step; Cancel leaves the layer as "
                          "it was.",
                          "Facette", "Facette", "2026", "Facette…", "RGB*", GIMP_PLUGIN,
                          G_N_ELEMENTS (args), 0, args, NULL);
  gimp_plugin_menu_register (PLUG_IN_PROC, "<Image>/Filters");
}

static gchar *
find_program (void)
{
  const gchar *configured = g_getenv ("FACETTE_PROGRAM");

  if (configured && *configured)
    return g_strdup (configured);
  if (g_file_test (FACETTE_INSTALLED_PROGRAM, G_FILE_TEST_IS_EXECUTABLE))
    return g_strdup (FACETTE_INSTALLED_PROGRAM);
  return g_find_program_in_path ("facette");
}

typedef struct
{
  GMainLoop *loop;
  gint       wait_status;
} Waiting;

static void
program_exited (GPid pid, gint wait_status, gpointer data)
{
  Waiting *waiting = data;

  waiting->wait_status = wait_status;
  g_spawn_close_pid (pid);
  g_main_loop_quit (waiting->loop);
}

static gboolean
pulse (gpointer data)
{
  (void) data;
  gimp_progress_pulse ();
  return G_SOURCE_CONTINUE;
}

/* Runs the editor on the file and waits for it, showing that GIMP waits;
   TRUE when it exits with 0. Sets error when it cannot be started. */
static gboolean
run_editor (const gchar *program, const gchar *file_name, GError **error)
{
  gchar   *argv[] = { (gchar *) program, (gchar *) file_name, NULL };
  GPid     pid;
  Waiting  waiting = { NULL, -1 };
  guint    ticker;

  if (!g_spawn_async (NULL, argv, NULL, G_SPAWN_DO_NOT_REAP_CHILD, NULL, NULL, &pid, error))
    return FALSE;
  waiting.loop = g_main_loop_new (NULL, FALSE);
  g_child_watch_add (pid, program_exited, &waiting);
  ticker = g_timeout_add (100, pulse, NULL);
  g_main_loop_run (waiting.loop);
  g_source_remove (ticker);
  g_main_loop_unref (waiting.loop);
  return WIFEXITED (waiting.wait_status) && WEXITSTATUS (waiting.wait_status) == 0;
}

static GimpPDBStatusType
filter (gint32 image, gint32 drawable, gchar **message)
{
  gint               x, y, width, height, offset_x = 0, offset_y = 0;
  const Babl        *format;
  gint               planes;
  guchar            *pixels;
  GeglBuffer        *buffer;
  gchar             *file_name = NULL;
  gchar             *program;
  gint               fd;
  GError            *error = NULL;
  GimpPDBStatusType  status = GIMP_PDB_CANCEL;

  /* Nothing of the layer is selected: nothing to do. */
  if (!gimp_drawable_mask_intersect (drawable, &x, &y, &width, &height))
    return GIMP_PDB_SUCCESS;
  gimp_drawable_offsets (drawable, &offset_x, &offset_y);

  format = babl_format (gimp_drawable_has_alpha (drawable) ? "R'G'B'A u8" : "R'G'B' u8");
  planes = babl_format_get_bytes_per_pixel (format);
  pixels = g_try_malloc ((gsize) width * height * planes);
  if (!pixels)
    {
      *message = g_strdup ("Not enough memory for the layer.");
      return GIMP_PDB_EXECUTION_ERROR;
    }
  buffer = gimp_drawable_get_buffer (drawable);
  gegl_buffer_get (buffer, GEGL_RECTANGLE (x, y, width, height), 1.0, format, pixels,
                   GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
  g_object_unref (buffer);

  fd = g_file_open_tmp ("PSPF-XXXXXX.tmp", &file_name, &error);
  if (fd >= 0)
    close (fd);
  if (fd < 0 || facette_exchange_write (file_name, offset_x + x, offset_y + y, width, height,
                                        planes, pixels, width * planes) != FACETTE_EXCHANGE_OK)
    {
      *message = g_strdup ("Create temp file error.");
      status = GIMP_PDB_EXECUTION_ERROR;
      goto done;
    }

  program = find_program ();
  gimp_progress_init ("Retouching in Facette…");
  if (!program)
    {
      *message = g_strdup ("Execute application \"\" error: Facette was not found. Set "
                           "FACETTE_PROGRAM to the program's path.");
      status = GIMP_PDB_EXECUTION_ERROR;
    }
  else if (run_editor (program, file_name, &error))
    {
      switch (facette_exchange_read (file_name, width, height, planes, pixels, width * planes))
        {
        case FACETTE_EXCHANGE_OK:
          gimp_image_undo_group_start (image);
          buffer = gimp_drawable_get_shadow_buffer (drawable);
          gegl_buffer_set (buffer, GEGL_RECTANGLE (x, y, width, height), 0, format, pixels,
                           GEGL_AUTO_ROWSTRIDE);
          gegl_buffer_flush (buffer);
          g_object_unref (buffer);
          /* Through the shadow, so the selection still masks the result. */
          gimp_drawable_merge_shadow (drawable, TRUE);
          gimp_drawable_update (drawable, x, y, width, height);
          gimp_image_undo_group_end (image);
          gimp_displays_flush ();
          status = GIMP_PDB_SUCCESS;
          break;
        case FACETTE_EXCHANGE_MISMATCH:
          *message = g_strdup ("Transfer image data error.");
          status = GIMP_PDB_EXECUTION_ERROR;
          break;
        default:
          break;
        }
    }
  else if (error)
    {
      *message = g_strdup_printf ("Execute application \"%s\" error: %s", program,
                                  error->message);
      status = GIMP_PDB_EXECUTION_ERROR;
    }
  g_free (program);
  gimp_progress_end ();

done:
  if (file_name)
    g_unlink (file_name);
  g_free (file_name);
  g_clear_error (&error);
  g_free (pixels);
  return status;
}

static void
run (const gchar *name, gint n_params, const GimpParam *param, gint *n_return_vals,
     GimpParam **return_vals)
{
  static GimpParam  values[2];
  gchar            *message = NULL;

  (void) name;
  *n_return_vals = 1;
  *return_vals = values;
  values[0].type = GIMP_PDB_STATUS;
  values[0].data.d_status = GIMP_PDB_CALLING_ERROR;
  if (n_params < 3)
    return;

  gegl_init (NULL, NULL);
  values[0].data.d_status = filter (param[1].data.d_image, param[2].data.d_drawable, &message);
  if (message)
    {
      /* GIMP shows it, or prints it in batch mode. */
      *n_return_vals = 2;
      values[1].type = GIMP_PDB_STRING;
      values[1].data.d_string = message;
    }
}
