/*
 * The interface library contract.
 *
 * Every interface library (ORSA, ORSB, ORSC, ORSD, ORSE, ORSF, ORSG) exports
 * seven plain C functions named by its prefix and the operation:
 * <prefix>Version, Init, SetConfig, GetConfig, Send, Done and Error.
 * This header fixes their call shapes, the array sizes and the result codes
 * that the program W_RQ36 and the libraries share.  Usable from C and C++.
 *
 * Conventions
 *   - Results are int32_t: 0 success, 1..99 the library's own error codes
 *     (turned into text by its Error function).
 *   - A handle is pointer-sized (ors_handle_t, 0 = none).  It is created by
 *     Init through a pointer to the caller's variable and cleared by Done.
 *     It is never stored in 32 bits.
 *   - Arrays are arrays of 32-bit integers carrying one byte value (0..255)
 *     per element; they belong to the caller.
 *   - Texts cross as arrays of 32-bit elements, one Windows-1250 character
 *     code per element, ended by a zero element.
 */
#ifndef RQ36_ORS_CONTRACT_H
#define RQ36_ORS_CONTRACT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define ORS_EXPORT __declspec(dllexport)
#else
#define ORS_EXPORT __attribute__((visibility("default")))
#endif

/* Handle of an open interface: pointer-sized, opaque, 0 = none. */
typedef intptr_t ors_handle_t;

/* ---- sizes ------------------------------------------------------------- */

/* Request and response arrays the program hands to Send. */
#define ORS_REQUEST_WORDS 1024
#define ORS_RESPONSE_WORDS 1024
/* Message bytes: module address, command, data bytes 0..5. */
#define ORS_MESSAGE_BYTES 8
/* A text buffer: 1024 words, one Windows-1250 character per word. */
#define ORS_TEXT_WORDS 1024
/* Error writes at most this many elements (100 characters and two zeros
 * at the most; ORSG's texts: the text and two zero elements). */
#define ORS_ERROR_TEXT_WORDS 101
/* Modbus RTU (kind 5): request of 12 words, reply frame of the program. */
#define ORS_MODBUS_REQUEST_WORDS 12
#define ORS_MODBUS_FRAME_WORDS 2048
/* Modbus user function carrying a Vextbus-2 message. */
#define ORS_MODBUS_FUNCTION 69

/* ---- the Init parameter block ------------------------------------------ */

/*
 * InitParams: 16 signed 32-bit words.  Kinds 4 and 6 receive a pointer to a
 * block that starts with these 16 words.
 *
 * Kind 4 (ORS-E, LAN converter) needs the converter's IP address as text.
 * The reference to that text in word 0 is a byte offset, not a pointer: the
 * text (Windows-1250, zero-terminated, at most ORS_INIT_TEXT_MAX bytes) lies
 * word[0] bytes after the start of the block, inside the same block.  The
 * program always lays it out as ors_init_block below, so word 0 holds
 * ORS_INIT_TEXT_OFFSET (64).  Word 1 is the UDP port, word 2 the UDP
 * timeout in ms, word 3 the IP version.  A library that needs the text takes
 * it during Init; the block is valid only for the Init call.
 *
 * Kind 6 (ORSG) reads the 16 words alone; the block stays 16 words for it.
 */
#define ORS_INIT_WORDS 16
#define ORS_INIT_TEXT_OFFSET 64
#define ORS_INIT_TEXT_MAX 255

typedef struct ors_init_block {
    int32_t words[ORS_INIT_WORDS];    /* the 16 InitParams words */
    char text[ORS_INIT_TEXT_MAX + 1]; /* kind 4: the IP address text */
} ors_init_block;

/* ---- result codes ------------------------------------------------------- */

#define ORS_OK 0
/* Program-level codes (never returned by a library). */
#define ORS_ERR_NOT_BOUND 10  /* entry point missing, or kind outside 0..6 */
#define ORS_ERR_LOAD_BASE 100 /* + kind: library file not loadable */
#define ORS_ERR_BIND_BASE 110 /* + kind: a function missing */

/* ---- call shapes --------------------------------------------------------- */

typedef int32_t (*ors_version_fn)(int32_t* version);

/* Init, three shapes. */
typedef int32_t (*ors_init_word_fn)(ors_handle_t* handle, int32_t param);        /* kinds 0, 1, 5 */
typedef int32_t (*ors_init_plain_fn)(ors_handle_t* handle);                      /* kinds 2, 3 */
typedef int32_t (*ors_init_block_fn)(ors_handle_t* handle, const int32_t* init); /* kinds 4, 6 */

/* SetConfig / GetConfig: Vextbus-2 libraries and Modbus RTU (kind 5). */
typedef int32_t (*ors_setconfig_fn)(ors_handle_t handle, int32_t speed, uint32_t timeoutMs, uint32_t retries);
typedef int32_t (*ors_getconfig_fn)(ors_handle_t handle, int32_t* speed, uint32_t* timeoutMs, uint32_t* retries);
/* parity code: 0 none, 1 even, 2 odd */
typedef int32_t (*ors_modbus_setconfig_fn)(ors_handle_t handle, int32_t speed, uint32_t timeoutMs, uint32_t retries,
                                           int32_t parity);
typedef int32_t (*ors_modbus_getconfig_fn)(ors_handle_t handle, int32_t* speed, uint32_t* timeoutMs, uint32_t* retries,
                                           int32_t* parity);

/* Send, Vextbus-2: request of ORS_REQUEST_WORDS (first 8 used), response of
 * at least 16 words; writes the reply byte, the status and the response. */
typedef int32_t (*ors_send_fn)(ors_handle_t handle, const int32_t* request, int32_t* response, int32_t* replyByte,
                               int32_t* status);
/* Send, Modbus RTU: request of requestCount words (12), reply frame of
 * ORS_MODBUS_FRAME_WORDS words; the library writes at most that many,
 * the frame's length into *replyCount and the status. */
typedef int32_t (*ors_modbus_send_fn)(ors_handle_t handle, const int32_t* request, int32_t requestCount,
                                      int32_t* replyFrame, int32_t* replyCount, int32_t* status);

typedef int32_t (*ors_done_fn)(ors_handle_t* handle);
/* Error: writes at most ORS_ERROR_TEXT_WORDS elements. */
typedef int32_t (*ors_error_fn)(uint32_t code, int32_t* text);

#ifdef __cplusplus
}
#endif

#endif /* RQ36_ORS_CONTRACT_H */
