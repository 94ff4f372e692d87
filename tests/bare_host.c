/* A process without GConf, with the toolkit only if its library is given,
 * loading the plug-in lazily as a careless host would:
 *   bare_host PLUGIN [TOOLKIT_LIBRARY]
 * Prints the loader's refusal and exits 0, or, once the plug-in is loaded,
 * what its registration returned and whether it wrote the record, and exits
 * 1. */
#include <dlfcn.h>
#include <stdio.h>

int
main (int argc, char **argv)
{
  void *module, *record[5];
  int (*init) (void **);
  int registered, untouched = 1;

  if (argc > 2 && !dlopen (argv[2], RTLD_NOW | RTLD_GLOBAL))
    return fprintf (stderr, "bare_host: %s\n", dlerror ()), 2;
  if (argc < 2 || !(module = dlopen (argv[1], RTLD_LAZY | RTLD_LOCAL)))
    return puts (argc < 2 ? "no plug-in" : dlerror ()), 0;
  *(void **)&init = dlsym (module, "startup_init_plugin");
  for (int i = 0; i < 5; i++)
    record[i] = record;
  registered = init (record);
  for (int i = 0; i < 5; i++)
    untouched &= record[i] == record;
  printf ("loaded, registered %d, record %s\n", registered,
          untouched ? "untouched" : "written");
  return 1;
}
