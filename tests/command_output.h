// What a shell command writes to its standard output, for the tests that
// read a store or a tool through its command-line program.
#pragma once
#include <stdio.h>

#include <string>

inline std::string
command_output (const std::string &command)
{
  std::string out;
  char buffer[256];
  FILE *pipe = popen (command.c_str (), "r");
  while (pipe && fgets (buffer, sizeof buffer, pipe))
    out += buffer;
  if (pipe)
    pclose (pipe);
  return out;
}
