/* Resource ids of the program's icon and the wizard window's pictures; read
   by the .rc files and by the window code, so plain macros only. */
#pragma once

/* The program's icon, shown by the shell for zendrel.exe. */
#define IDI_PROGRAM 1

/* The five page pictures (RCDATA, progressive JPEG, 153 x 237). */
#define IDR_PAGE_PICTURE0 201
#define IDR_PAGE_PICTURE1 202
#define IDR_PAGE_PICTURE2 203
#define IDR_PAGE_PICTURE3 204
#define IDR_PAGE_PICTURE4 205

/* The 16 x 16 pictures of the button row (icons). */
#define IDI_HELP_BUTTON 211
#define IDI_PREV_BUTTON 212
#define IDI_NEXT_BUTTON 213
#define IDI_EXIT_BUTTON 214
