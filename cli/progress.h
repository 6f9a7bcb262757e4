// A progress bar of the scans of one command, on standard error, drawn only when standard error
// is a terminal.
#ifndef ZEL_CLI_PROGRESS_H
#define ZEL_CLI_PROGRESS_H

namespace zel::cli {

class Progress {
public:
    Progress();
    // Clears the bar, so that what follows starts on a clean line.
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void show(int done, int total);

private:
    bool enabled_;
    bool drawn_ = false;
};

}  // namespace zel::cli

#endif
