// Runs the real driver host as a child process in a private folder.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <tavrin/CTavrinClient.h>

extern char** environ;

// One request through client; output is cut to what the host sent back.
inline tavrin::ExchangeResult callHost(tavrin::CTavrinClient& client, std::uint32_t code,
    const std::vector<std::uint8_t>& input, std::vector<std::uint8_t>& output, int timeoutMs)
{
    tavrin::ExchangeResult result;
    EXPECT_EQ(client.Exchange(code, input.data(), static_cast<std::uint32_t>(input.size()), output.data(),
                  static_cast<std::uint32_t>(output.size()), result, timeoutMs),
        tavrin::CLIENT_OK);
    output.resize(result.outputCount);
    return result;
}

// A folder of its own for each test, removed afterwards.
class CTempFolder {
public:
    CTempFolder()
    {
        char pattern[] = "/tmp/tavrin-test-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        m_path = made != nullptr ? made : "";
    }
    ~CTempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

class CHostProcess {
public:
    // Starts tavrin (or program) with args and, when given, this environment
    // ("NAME=value" each) instead of the test's; its standard error goes to
    // errorFile.
    CHostProcess(const std::vector<std::string>& args, const std::string& errorFile,
        const std::optional<std::vector<std::string>>& environment = std::nullopt,
        const std::string& program = TAVRIN_HOST_PATH)
        : m_errorFile(errorFile)
    {
        std::vector<std::string> all { program };
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(
            &actions, STDERR_FILENO, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> env = environment.value_or(std::vector<std::string>());
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        if (::posix_spawn(
                &m_pid, argv[0], &actions, nullptr, argv.data(), environment ? envp.data() : environ)
            != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }

    ~CHostProcess()
    {
        if (m_pid > 0 && !m_exit) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    pid_t Pid() const { return m_pid; }

    // The exit code once the process has ended within timeoutMs; -1 if it
    // has not, -2 if a signal ended it.
    int Wait(int timeoutMs = 5000)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!m_exit) {
            int status = 0;
            const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
            if (r == m_pid) {
                m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
                break;
            }
            if (std::chrono::steady_clock::now() >= end)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return *m_exit;
    }

    void Signal(int signal) { ::kill(m_pid, signal); }

    // The real keyboard's host serves from a child process of its own: its
    // pid, or -1 when it has none (yet) within timeoutMs.
    pid_t ServingPid(int timeoutMs = 5000) const
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            std::ifstream children(
                "/proc/" + std::to_string(m_pid) + "/task/" + std::to_string(m_pid) + "/children");
            pid_t child = -1;
            if (children >> child)
                return child;
            if (std::chrono::steady_clock::now() >= end)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    std::string ErrorText() const
    {
        std::ifstream in(m_errorFile);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }

private:
    pid_t m_pid = -1;
    std::string m_errorFile;
    std::optional<int> m_exit;
};
