// The HTTP server loop and the reply buffer.
//
// One thread serves one request at a time: read the head and the body into
// the request tables, let the session layer and the page callback proj_run
// fill the reply buffer send_buf, prefix the status line and the headers,
// send, close.  The heads and bodies of several connections arrive side by
// side (non-blocking sockets and one poll), each within its own deadline, so
// that a slow client delays nobody; a request runs as soon as it is whole,
// and a reply the client does not take at once goes out from the same poll.
// While idle the loop writes the heartbeat file "watchdog.txt" and runs the
// scheduled jobs.
//
// Every page writes its HTML through the appenders below (app and kin), which
// write the program's text as UTF-8, the one encoding of every page in every
// UI language, and never write past the reply's limit.  send_buf_len counts bytes: a file reply
// (a PDF, an image) may hold NUL bytes.
//
// Input is bounded: a request head longer than serv_max_head_len is refused
// with 431, a body that does not fit the receive buffer with 413, a client
// that does not send its head and body within serv_read_timeout_s seconds
// each is dropped, and a body cut short is not processed.  A client that
// stops taking its reply for as long is dropped as well.  At most
// serv_max_connections connections are open at once; one more is answered
// with 503 and closed.
#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <netinet/in.h>

#include "lib/hashtbl.hpp"

// --- start-up and the loop ---------------------------------------------------

// Host (argv[1], default "0.0.0.0") and port (argv[2], default 80).  0, or 1
// with "bad serv_port number %s\n" for a port outside 1..65535.
int parseargs(int argc, char** argv);
// Socket, bind to the host and port of parseargs, listen.  0, or -2 socket
// creation, -3 bind, -4 listen.
int init();
// Serves until global_program_status is 1 (returns 0), a "GET /stop" request
// from a loopback peer (returns the status of its last head read), or an
// accept failure (returns 1).
int run();

// Reads one line of the request head from the connection being served into
// buf (what has arrived first, then from the socket until the connection's
// deadline), LF kept and the text terminated, storing at most room - 1
// bytes.  Adds the bytes stored to *count.  Returns:
inline constexpr int RECV_LINE = 1;       // a whole line
inline constexpr int RECV_CLOSED = 0;     // the peer closed (buf holds what came)
inline constexpr int RECV_ERROR = -1;     // receive error
inline constexpr int RECV_TIMEOUT = -2;   // the connection's deadline passed
inline constexpr int RECV_TOO_LONG = -3;  // no line end within room - 1 bytes
inline constexpr int RECV_STOPPED = -4;   // global_program_status became 1
int ReceiveLine(char* buf, int* count, std::size_t room);

// 1 asks the loop to end (the service stop and SIGTERM set it).
extern volatile std::sig_atomic_t global_program_status;

// The page callback: proj_run(send_buf, http_params, page_params).  The
// program's start-up sets it to the dispatcher; NULL leaves the reply empty.
using serv_page_fn = int (*)(char* reply, hashtbl* http_params, hashtbl* page_params);
extern serv_page_fn proj_run;

// Sessions around the page (the session layer).
int sess_start();
int sess_end();

// --- state of the server -------------------------------------------------------

extern char serv_hostname[272];
extern int serv_port;
extern sockaddr_in sad;        // where the server listens
extern int sd;                 // the listening socket, -1 when none
extern int sd2;                // the current connection, -1 between requests
extern sockaddr_in cad;        // the current peer
extern char serv_accept_host[16];

extern const char* const mgs_version;  // "1.0"

extern const int max_send_buf_len;     // 4,000,000
extern const int max_header_buf_len;   // 1,024
// The reply body: max_send_buf_len + 1,000 bytes, kept terminated.
extern char* send_buf;
extern int send_buf_len;
extern char header_buf[];
extern int header_buf_len;
// The request: head, then head and body, terminated (max_send_buf_len bytes).
extern char* recieve_buf;
extern int recieve_len;
extern char* out_file;                 // a spare buffer of max_send_buf_len bytes
// Set when the reply carries its own header (a served file); the loop then
// sends send_buf as it stands and clears the flag.
extern int bin_file_flag;

// The request tables of the current request (NULL between requests).
extern hashtbl* http_params;
extern hashtbl* get_params;
extern hashtbl* post_params;
extern hashtbl* page_params;
extern hashtbl* page_params00;

extern long watchdog_run_id;
extern std::time_t Towary_import_z_wfmag_last_call_t;

// Limits of a request.  A reply that the client does not take for
// serv_read_timeout_s seconds is abandoned too.
inline constexpr int serv_max_head_len = 64 * 1024;
inline constexpr int serv_read_timeout_s = 10;
inline constexpr int serv_max_connections = 100;

// --- the reply ---------------------------------------------------------------

// The program's text as UTF-8 (win_char of lib/codepage: Windows-1250, and
// the UTF-8 characters the UI language keeps); NULL is ignored.  The reply is
// cut, before a character that does not fit whole, with a console message
// once send_buf_len + 1000 would pass max_send_buf_len.
void app(const char* text);
// The same for length bytes (NULs included).
void appn(const char* text, std::size_t length);
void buf_append(char* buf, const char* text);  // = app(text)
// One byte, as one Windows-1250 character.
void appc(char c);
void appz(std::uint32_t id);
void appl(long value);
void appq(unsigned long count);
void apptd(std::int64_t date);
void appgzl(double money);
// HTML-escaped: LF -> "<BR>\n", "<" -> "&lt;", ">" -> "&gt;", the second of
// two blanks in a row -> "&nbsp;"; "&" and quotes are left as they are.
void apph(const char* text);
// Appends bytes unchanged (no code-page conversion, NULs kept) when all of
// them fit; 0, or -1 with nothing appended.
int send_buf_append_bytes(const void* bytes, std::size_t count);

// Appends to header_buf; 0, or -1 with a console message when it would pass
// max_header_buf_len (nothing is appended then).
int header_append(const char* text);

// "Sun, 06 Nov 1994 08:49:37 GMT" (UTC), in a static buffer.
const char* gmttime_str(std::time_t t);
// Dotted text of an address, in a static buffer.
const char* sinaddrToString(in_addr addr);
// The current peer's dotted address.
const char* serv_get_user_host();

// The heartbeat: counts up and rewrites "watchdog.txt" in the current
// directory with the count ("%ld", no line end).  0, or -1 with a message.
int save_watchdog();

// Canned headers of file replies (static texts).
const char* pdf_header();
const char* css_header();
// Plain text that a browser never takes for HTML (no sniffing).
const char* txt_header();
// A data file the program writes (CSV exports): "text/csv", offered for
// saving under the download name (letters, digits, ".", "_" and "-"; any
// other byte becomes "_"), never sniffed.  The text lives until the next call.
const char* csv_header(const char* download_name);
const char* js_header();
// HTML replies with the protocol version 1.0, or the one given ("1.1").
const char* html_header0();
const char* html_header(const char* version);
const char* img_header(const char* type, long size);

// Sets bin_file_flag and appends the bytes of a file to the reply (buf is
// send_buf).  0; -1 with a message when the file cannot be read or does not
// fit into the reply (nothing is appended then).
int bin_file(char* buf, const char* path);

// Diagnostics.  buf_to_file writes len bytes to "<n>.bin" (n counts from 0)
// and sets bin_file_flag; srv_sslog appends the UTC time and the text to
// "srv_sslog.txt"; srv_openclose does nothing.
int buf_to_file(const char* buf, int len);
int srv_sslog(const char* text);
int srv_openclose();
