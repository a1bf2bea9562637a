#ifndef CORVANE_XCDZIP_API_H
#define CORVANE_XCDZIP_API_H
/*
 * The call protocol of the two zip libraries, libxcdzip32.so (entry "xcdzip": add, freshen, update,
 * delete) and libxcdunz32.so (entry "xcdunzip": extract, freshen, update, list, count, entry
 * information). Plain C so that either side may be built by any compiler.
 *
 * Call:     result = entry(XCD_PROTOCOL_VERSION, argc, argv, callback, component)
 * Callback: answer = callback(message, data, component); XCD_ANSWER_STOP stops the operation.
 *
 * Exact names: the switch "-E" before the archive name makes every item after the archive an exact
 * entry name, matched byte for byte (case counts, no wildcards, "\" is not "/"); no item after it is
 * a switch. xcdunzip takes it for extract and list (a target folder "-d" then goes before the
 * archive), xcdzip for delete only (290 otherwise). A library that predates it answers 290.
 *
 * Every text a library hands out is zero-terminated; every buffer it hands in has the size named
 * below, and whoever fills one writes at most size - 1 bytes and the terminating zero.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define XCD_PROTOCOL_VERSION 100

/* Buffer sizes, terminating zero included. */
#define XCD_NAME_SIZE 4096
#define XCD_COMMENT_SIZE 256
#define XCD_PASSWORD_SIZE 81

typedef int32_t (*XcdCallback)(int32_t message, void* data, void* component);
typedef int32_t (*XcdEntry)(int32_t version, int32_t argc, char** argv, XcdCallback callback,
                            void* component);

/*
 * Second export of libxcdzip32.so: the folder that the relative file specs of the following xcdzip
 * calls on the calling thread are read from, and whose relative paths become the entry names.
 * Null or "" restores the default, the process's working folder. The setting is per thread and each
 * xcdzip call reads it once, when it starts. The archive name is never read against it.
 *
 * With a base folder no spec may leave it: a spec that is absolute, starts with a drive ("C:") or
 * has a ".." component is skipped (XCD_MSG_SKIPPING, XCD_SKIP_UNSAFE_PATH), and symbolic links
 * below the folder are never followed (XCD_SKIP_SYMLINK). A folder that cannot be opened gives
 * XCD_ERR_ACCESS. Returns XCD_OK, or XCD_ERR_BAD_ARGUMENTS for a name of XCD_NAME_SIZE bytes or more.
 */
#define XCD_SET_BASE_FOLDER_EXPORT "xcdzip_set_base_folder"
typedef int32_t (*XcdSetBaseFolder)(const char* folder);

#define XCD_ANSWER_CONTINUE 0
#define XCD_ANSWER_STOP 1

/* Callback messages and their data. */
#define XCD_MSG_REPLACE 10         /* XcdReplaceData */
#define XCD_MSG_TESTING 50         /* XcdFileRecord */
#define XCD_MSG_EXTRACTING 60      /* XcdFileRecord */
#define XCD_MSG_FILE_COUNT 70      /* uint32_t* */
#define XCD_MSG_LISTING 80         /* XcdFileRecord */
#define XCD_MSG_FILE_INFO 90       /* XcdFileRecord */
#define XCD_MSG_PASSWORD 100       /* XcdPasswordData */
#define XCD_MSG_NEW_DISK 110       /* int32_t* */
#define XCD_MSG_FILE_COMMENT 120   /* XcdFileCommentData */
#define XCD_MSG_ZIP_COMMENT 130    /* XcdZipCommentData */
#define XCD_MSG_GET_ZIP_COMMENT 140 /* XcdZipCommentBuffer */
#define XCD_MSG_UPDATING 1000      /* XcdFileRecord */
#define XCD_MSG_ADDING 1010        /* XcdFileRecord */
#define XCD_MSG_DELETING 1020      /* const char* */
#define XCD_MSG_STATUS 1030        /* XcdFileRecord */
#define XCD_MSG_SKIPPING 1060      /* XcdSkippingData */
#define XCD_MSG_FIXING 1070        /* const char* */

/* File attributes, in the bit order of the file record. */
#define XCD_ATTR_READONLY 0x01
#define XCD_ATTR_HIDDEN 0x02
#define XCD_ATTR_SYSTEM 0x04
#define XCD_ATTR_VOLUME 0x08
#define XCD_ATTR_DIRECTORY 0x10
#define XCD_ATTR_ARCHIVE 0x20

typedef struct XcdFileRecord {
    const char* Name;
    uint32_t Size;             /* uncompressed, clamped to 0xFFFFFFFF */
    uint32_t CompressedSize;
    uint32_t BytesProcessed;
    uint8_t Attributes;        /* XCD_ATTR_* */
    uint16_t DosTime;
    uint16_t DosDate;
    uint32_t Crc;              /* passed through */
    uint8_t Ratio;             /* percent saved by compression */
    uint8_t Percent;           /* progress of the current file */
    uint8_t Method;            /* passed through: 0 stored, 8 deflated */
    uint8_t Encrypted;         /* passed through */
    const char* Comment;
    uint8_t CommentLength;
} XcdFileRecord;

/* Replace answers. */
#define XCD_REPLACE_NO 0
#define XCD_REPLACE_YES 1
#define XCD_REPLACE_ALL 2
#define XCD_REPLACE_NONE 3
#define XCD_REPLACE_CANCEL 4

typedef struct XcdReplaceData {
    const char* ExistingName;
    char* NewName;             /* XCD_NAME_SIZE bytes; a name here extracts under that name instead */
    uint8_t Answer;
} XcdReplaceData;

/* Password answer kinds: 0 gives up on the file; anything else offers the buffer's password. */
#define XCD_PASSWORD_GIVE_UP 0
#define XCD_PASSWORD_EXTRACT 2
#define XCD_PASSWORD_ADD 5

typedef struct XcdPasswordData {
    const char* FileName;
    char* Password;            /* XCD_PASSWORD_SIZE bytes */
    uint8_t Answer;
} XcdPasswordData;

typedef struct XcdFileCommentData {
    const char* FileName;
    char* Comment;             /* XCD_COMMENT_SIZE bytes */
    uint8_t Length;
} XcdFileCommentData;

typedef struct XcdZipCommentData {
    const char* Comment;
    uint16_t Length;
} XcdZipCommentData;

typedef struct XcdZipCommentBuffer {
    char* Buffer;              /* XCD_COMMENT_SIZE bytes */
    uint16_t Length;
    uint32_t Flag;
} XcdZipCommentBuffer;

/* Reasons of the skipping message. */
#define XCD_SKIP_UNSAFE_PATH 1     /* ".." segment or a path that would leave the target folder */
#define XCD_SKIP_SYMLINK 2         /* symbolic link entry, or a link in the way on disk */
#define XCD_SKIP_EXISTS 3          /* the file exists and is not to be overwritten */
#define XCD_SKIP_PASSWORD 4        /* no or wrong password */
#define XCD_SKIP_NOT_FOUND 5       /* a file to add does not exist */
#define XCD_SKIP_CANNOT_READ 6     /* a file to add or an entry cannot be read */
#define XCD_SKIP_CANNOT_WRITE 7    /* the file cannot be written */
#define XCD_SKIP_UNSUPPORTED 8     /* compression or encryption method not supported */

typedef struct XcdSkippingData {
    const char* FileName;
    uint8_t Reason;            /* XCD_SKIP_* */
} XcdSkippingData;

/* Result codes. */
#define XCD_OK 0
#define XCD_WARN_NOTHING_TO_DO 10  /* no file matched the specs */
#define XCD_WARN_ENTRY 30          /* a file was written but its time or mode could not be set */
#define XCD_WARN_SKIPPED 40        /* some files were skipped */
#define XCD_WARN_EMPTY 50          /* the archive holds no entries */
#define XCD_ERR_NOT_FOUND 100      /* the archive file does not exist */
#define XCD_ERR_CORRUPT 110        /* not a zip archive, or its directory is damaged */
#define XCD_ERR_MEMORY 120
#define XCD_ERR_DISK_FULL 150
#define XCD_ERR_INCONSISTENT 160   /* an entry's data is damaged */
#define XCD_ERR_STOPPED 190        /* the callback answered stop */
#define XCD_ERR_TEMP_FILE 280      /* the temporary archive could not be written or renamed */
#define XCD_ERR_BAD_ARGUMENTS 290  /* the switch vector is malformed */
#define XCD_ERR_NAMES_REPEATED 370 /* entry names repeat once the paths are dropped */
#define XCD_ERR_ACCESS 400         /* the archive or a file to process cannot be accessed */
#define XCD_ERR_MULTIDISK 410      /* the archive spans several disks */
#define XCD_ERR_UNSUPPORTED 430    /* multidisk, volume labels and self-extractors do not exist here */

#ifdef __cplusplus
}
#endif

#endif
