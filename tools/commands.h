// Sub-commands of orvia-cli. Each gets the arguments after its own name and
// returns the process exit status (0 ok, 1 failure, 2 bad input or usage).
// RunIndex, RunScan, RunProfile, RunTrips, RunEvents and RunVerify need only the core and live in
// orvia-cli itself; the others live in the companion.
#pragma once

namespace orvia::cli {

int RunIndex(int argc, char** argv);
int RunScan(int argc, char** argv);
int RunProfile(int argc, char** argv);
int RunTrips(int argc, char** argv);
int RunEvents(int argc, char** argv);
int RunBenchIndex(int argc, char** argv);
int RunBenchDecode(int argc, char** argv);
int RunMakeCard(int argc, char** argv);
int RunExport(int argc, char** argv);
int RunCards(int argc, char** argv);
int RunFormat(int argc, char** argv);
int RunBenchCli(int argc, char** argv);
int RunBenchEvents(int argc, char** argv);
int RunPack(int argc, char** argv);
int RunVerify(int argc, char** argv);
int RunRender(int argc, char** argv);
int RunBenchRender(int argc, char** argv);
int RunBenchPlay(int argc, char** argv);

// The companion program beside orvia-cli that runs the commands needing
// FFmpeg or Qt (make-card, bench, ...).
constexpr const char* kCompanionName = "orvia-cli-tools";

}  // namespace orvia::cli
