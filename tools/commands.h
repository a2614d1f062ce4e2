// Sub-commands of orvia-cli. Each gets the arguments after its own name and
// returns the process exit status (0 ok, 1 failure, 2 bad input or usage).
#pragma once

namespace orvia::cli {

int RunIndex(int argc, char** argv);
int RunScan(int argc, char** argv);
int RunProfile(int argc, char** argv);
int RunBenchIndex(int argc, char** argv);
int RunBenchDecode(int argc, char** argv);
int RunMakeCard(int argc, char** argv);
int RunExport(int argc, char** argv);
int RunCards(int argc, char** argv);

}  // namespace orvia::cli
