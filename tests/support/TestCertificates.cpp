#include "support/TestCertificates.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <stdexcept>

extern char** environ;

namespace SumirelTest {

namespace {

// An EC key: quick to make, and every TLS library takes it.
void MakeKeyAndRequest(const TempDir& dir, const std::string& name, const std::string& subject,
                       const std::string& altName, bool selfSigned) {
    std::vector<std::string> args = {"openssl", "req",      "-newkey",
                                     "ec",      "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                     "-nodes",  "-keyout",  dir.File(name + ".key"),
                                     "-subj",   subject};
    if (selfSigned) {
        args.insert(args.end(), {"-x509", "-days", "2", "-out", dir.File(name + ".crt")});
        if (!altName.empty()) {
            args.insert(args.end(), {"-addext", "subjectAltName=" + altName});
        }
    } else {
        args.insert(args.end(), {"-out", dir.File(name + ".csr")});
    }
    RunProgram(args);
}

void SignByAuthority(const TempDir& dir, const std::string& name, const std::string& altName) {
    const std::string extensions = dir.Write(name + ".ext", "subjectAltName=" + altName + "\n");
    RunProgram({"openssl", "x509", "-req", "-in", dir.File(name + ".csr"), "-CA",
                dir.File("ca.crt"), "-CAkey", dir.File("ca.key"), "-CAcreateserial", "-days", "2",
                "-extfile", extensions, "-out", dir.File(name + ".crt")});
}

// Certificate and key in one file.
std::string Bundle(const TempDir& dir, const std::string& name) {
    return dir.Write(name + ".pem",
                     ReadBytes(dir.File(name + ".crt")) + ReadBytes(dir.File(name + ".key")));
}

}  // namespace

std::string RunProgram(const std::vector<std::string>& args) {
    TempDir dir;
    const std::string output = dir.File("out");
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (std::string& arg : copy) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, dir.File("err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " + args[0]);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(args[0] + " failed: " + ReadBytes(dir.File("err")));
    }
    return ReadBytes(output);
}

TestCertificates::TestCertificates() {
    MakeKeyAndRequest(dir_, "self", "/CN=127.0.0.1", "IP:127.0.0.1", true);
    MakeKeyAndRequest(dir_, "other", "/CN=127.0.0.1", "IP:127.0.0.1", true);
    MakeKeyAndRequest(dir_, "ca", "/CN=Sumirel Test Authority", "", true);
    MakeKeyAndRequest(dir_, "signed", "/CN=127.0.0.1", "", false);
    SignByAuthority(dir_, "signed", "IP:127.0.0.1");
    MakeKeyAndRequest(dir_, "misnamed", "/CN=other.example", "", false);
    SignByAuthority(dir_, "misnamed", "DNS:other.example");
    selfSigned = Bundle(dir_, "self");
    otherSelfSigned = Bundle(dir_, "other");
    authority = dir_.File("ca.crt");
    signedByAuthority = Bundle(dir_, "signed");
    signedForAnotherName = Bundle(dir_, "misnamed");
}

std::string TestCertificates::Fingerprint(const std::string& pemFile) {
    const std::string line =
        RunProgram({"openssl", "x509", "-in", pemFile, "-noout", "-fingerprint", "-sha256"});
    const std::size_t equals = line.find('=');
    const std::size_t end = line.find_first_of("\r\n");
    return line.substr(equals + 1, end - equals - 1);
}

const TestCertificates& Certificates() {
    static const TestCertificates certificates;
    return certificates;
}

}  // namespace SumirelTest
