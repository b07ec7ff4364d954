#pragma once

// `zelk-server member ...`: the committee's members from the command line, on the site's data
// folder (while the site runs or not). `args` start at "member". The exit status.
int RunMemberCommand(int argc, char** argv);
