// kalwatch: the watchdog of the workshop server.
//
//   kalwatch -install[suffix] Install_Dir=<directory>   (a service; "-install2" watches KALMITOR2)
//   kalwatch -console [Install_Dir=<directory>]
//   kalwatch -consolereg[suffix] | -remove[suffix] | -help
#include "watchdog/kalwatch.hpp"

int main(int argc, char** argv) { return winservice_main(kalwatch_hooks, argc, argv); }
