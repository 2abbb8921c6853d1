// The Postfix side of a policy connection: the service is started with its
// standard input, output and error all on one end of a socket pair, as
// spawn(8) starts it, with every signal at its default disposition; the
// other end sends requests and reads replies.
#pragma once

#include <string>
#include <vector>

struct policy_peer {
  int fd = -1;
  int pid = -1;
};

// Starts the program at path with argv (argv[0] included) and env.
policy_peer policy_start(const std::string& path, const std::vector<std::string>& argv,
                         const std::vector<std::string>& env);

// Sends request and reads the reply, up to and including the empty line
// that ends it; what was read when the connection ended otherwise.
std::string policy_ask(policy_peer& peer, const std::string& request);

// Sends bytes without waiting for a reply.
void policy_send(policy_peer& peer, const std::string& bytes);

// Closes our end and returns everything the service still wrote, then its
// exit status (-1 when it did not exit normally).
int policy_finish(policy_peer& peer, std::string* rest = nullptr);
