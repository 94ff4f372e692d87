/* A process without GConf, with the toolkit only if its library is given,
 * loading the plug-in lazily as a careless host would:
 *   bare_host PLUGIN [TOOLKIT_LIBRARY]
 * Prints the loader's refusal and exits 0, or exits 1 if the plug-in loaded. */
#include <dlfcn.h>
#include <stdio.h>

int
main (int argc, char **argv)
{
  if (argc > 2 && !dlopen (argv[2], RTLD_NOW | RTLD_GLOBAL))
    return fprintf (stderr, "bare_host: %s\n", dlerror ()), 2;
  if (argc < 2 || dlopen (argv[1], RTLD_LAZY | RTLD_LOCAL))
    return puts ("loaded"), 1;
  puts (dlerror ());
  return 0;
}
