#pragma once

#include <QString>
#include <QStringList>

// Command-line options of the Linux build. Without any of them the console
// behaves exactly as on its first start: nothing is selected or pressed.
struct Console_options
{
    QStringList ports;             // --port PATH (repeatable): extra devices for the selector
    bool connect = false;          // --connect: press Connect once the window is up
    QString screenshot;            // --screenshot FILE: PNG of the window once connected
    int screenshot_delay_ms = 300; // --screenshot-delay MS: wait after connecting
    bool print_state = false;      // --print-state: one line on stdout per state change
    bool control = false;          // --control: operator commands on standard input
    bool headless = false;         // --headless: offscreen platform, no window on any display
    QString data_port;             // --data-port NAME: the virtual data port's fixed name
    QString instance = "talvane";  // --instance NAME: the control socket's name
    bool remote = false;           // --remote COMMAND...: operate a running console
    QStringList remote_commands;   // the command lines after --remote
    QStringList warnings;          // arguments that were not understood and are ignored
    bool help = false;             // --help was given (the text is in help_text)
    bool version = false;          // --version: print the program name and version
    QString help_text;
    QString error; // a bad command line; empty when all was understood
};

// Parses the arguments after the program name. An argument the console does
// not know is ignored with a warning; a known option with a bad value is an
// error. Qt's own options (-platform, -style ...) must already have been
// removed, as QApplication does.
Console_options parse_console_options(const QStringList& arguments);

// For --help, --version or a bad command line: prints the help or the
// version (stdout), or the error and the help (stderr), and returns the
// process exit code, 0 or 2.
int report_console_options(const Console_options& options);

// Prints one warning line on standard error for each ignored argument.
void warn_about_ignored_arguments(const Console_options& options);
