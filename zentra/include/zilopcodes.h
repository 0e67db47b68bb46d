// zilopcodes.h - the ZIL instruction table: all 524 opcodes with their operand kinds and lengths.
// One row per opcode: X(opcode, enum name, handler, mnemonic, operand count, kind 1..4, length);
// the handler names the interpreter's code for the row (rows of one mnemonic share it, except
// where an operand-less form needs its own).
// The interpreter's dispatch table, the listing and the opcode enum are all expanded from this
// one list, so a row changed here changes every user at once. Lengths are in words and include
// the opcode word; kinds use the ZILK_ names below.
// The rows from 477 on are written only by the optimizer at level 3 (lower levels keep to the
// rows before them): three-address arithmetic `addl3 a, b, d` ... `modf3` (d = a op b, d gets a
// value of its own; only a's type is checked, as with the two-operand forms) and the int
// compare-and-branch `beql a, b, to L` ... `blel` (to L when b op a, the order of the compare of
// the same name; a may be an immediate). A compare-and-branch leaves no result in a register.
// The loop step `ibltl a, ri, to L` / `iblel` adds 1 to the int in ri, then continues at L when
// ri < a (ri <= a). `madf3 a, b, c, d` sets d to a * b + c, the product rounded before the sum.
#pragma once

// Operand kinds (the numbers are those of the instruction table).
#define ZILK_NONE 0
#define ZILK_IMM 1   // immediate integer
#define ZILK_DH 2    // index of a data-segment constant
#define ZILK_TYPE 3  // type id
#define ZILK_OFS 4   // branch offset relative to the instruction's own address
#define ZILK_R 5     // register slot
#define ZILK_RD 6    // (r+d): member slot d of the instance in register r (2 words)
#define ZILK_RR 7    // (r+r): element slot of the array in the first register, index in the second
#define ZILK_SD 8    // (sp+d): data stack slot sp+d
#define ZILK_REGS 9  // register range: first register, count (2 words)

#define ZIL_OPCODE_COUNT 524

#define ZIL_OPCODE_LIST(X) \
  X(0, ZOP_NOP, NOP, "nop", 0, NONE, NONE, NONE, NONE, 1) \
  X(1, ZOP_ALLOC_TYPE_R, ALLOC, "alloc", 2, TYPE, R, NONE, NONE, 3) \
  X(2, ZOP_ALLOCA_TYPE_IMM_R, ALLOCA, "alloca", 3, TYPE, IMM, R, NONE, 4) \
  X(3, ZOP_ALLOCN_TYPE_R, ALLOCN, "allocn", 2, TYPE, R, NONE, NONE, 3) \
  X(4, ZOP_BRA_OFS, BRA, "bra", 1, OFS, NONE, NONE, NONE, 2) \
  X(5, ZOP_BRK, BRK, "brk", 0, NONE, NONE, NONE, NONE, 1) \
  X(6, ZOP_CALLM_TYPE_IMM, CALLM, "callm", 2, TYPE, IMM, NONE, NONE, 3) \
  X(7, ZOP_CALLS_IMM, CALLS, "calls", 1, IMM, NONE, NONE, NONE, 2) \
  X(8, ZOP_CALLN_TYPE_IMM, CALLN, "calln", 2, TYPE, IMM, NONE, NONE, 3) \
  X(9, ZOP_CVF_R_R, CVF, "cvf", 2, R, R, NONE, NONE, 3) \
  X(10, ZOP_CVL_R_R, CVL, "cvl", 2, R, R, NONE, NONE, 3) \
  X(11, ZOP_POPM_IMM, POPM, "popm", 1, IMM, NONE, NONE, NONE, 2) \
  X(12, ZOP_POPR_REGS, POPR, "popr", 1, REGS, NONE, NONE, NONE, 3) \
  X(13, ZOP_PUSHM_IMM, PUSHM, "pushm", 1, IMM, NONE, NONE, NONE, 2) \
  X(14, ZOP_PUSHR_REGS, PUSHR, "pushr", 1, REGS, NONE, NONE, NONE, 3) \
  X(15, ZOP_RET, RET, "ret", 0, NONE, NONE, NONE, NONE, 1) \
  X(16, ZOP_SIZE_R_R, SIZE, "size", 2, R, R, NONE, NONE, 3) \
  X(17, ZOP_TYPE_R_R, TYPE, "type", 2, R, R, NONE, NONE, 3) \
  X(18, ZOP_DEC_R, DEC, "dec", 1, R, NONE, NONE, NONE, 2) \
  X(19, ZOP_DEC_RD, DEC, "dec", 1, RD, NONE, NONE, NONE, 3) \
  X(20, ZOP_DEC_RR, DEC, "dec", 1, RR, NONE, NONE, NONE, 3) \
  X(21, ZOP_DEC_SD, DEC, "dec", 1, SD, NONE, NONE, NONE, 2) \
  X(22, ZOP_INC_R, INC, "inc", 1, R, NONE, NONE, NONE, 2) \
  X(23, ZOP_INC_RD, INC, "inc", 1, RD, NONE, NONE, NONE, 3) \
  X(24, ZOP_INC_RR, INC, "inc", 1, RR, NONE, NONE, NONE, 3) \
  X(25, ZOP_INC_SD, INC, "inc", 1, SD, NONE, NONE, NONE, 2) \
  X(26, ZOP_MOVEH_DH_R, MOVEH, "moveh", 2, DH, R, NONE, NONE, 3) \
  X(27, ZOP_MOVEH_DH_RD, MOVEH, "moveh", 2, DH, RD, NONE, NONE, 4) \
  X(28, ZOP_MOVEH_DH_RR, MOVEH, "moveh", 2, DH, RR, NONE, NONE, 4) \
  X(29, ZOP_MOVEH_DH_SD, MOVEH, "moveh", 2, DH, SD, NONE, NONE, 3) \
  X(30, ZOP_NEG_R, NEG, "neg", 1, R, NONE, NONE, NONE, 2) \
  X(31, ZOP_NEG_RD, NEG, "neg", 1, RD, NONE, NONE, NONE, 3) \
  X(32, ZOP_NEG_RR, NEG, "neg", 1, RR, NONE, NONE, NONE, 3) \
  X(33, ZOP_NEG_SD, NEG, "neg", 1, SD, NONE, NONE, NONE, 2) \
  X(34, ZOP_NOT_R, NOT, "not", 1, R, NONE, NONE, NONE, 2) \
  X(35, ZOP_NOT_RD, NOT, "not", 1, RD, NONE, NONE, NONE, 3) \
  X(36, ZOP_NOT_RR, NOT, "not", 1, RR, NONE, NONE, NONE, 3) \
  X(37, ZOP_NOT_SD, NOT, "not", 1, SD, NONE, NONE, NONE, 2) \
  X(38, ZOP_TSTEQ_R_OFS, TSTEQ, "tsteq", 2, R, OFS, NONE, NONE, 3) \
  X(39, ZOP_TSTEQ_RD_OFS, TSTEQ, "tsteq", 2, RD, OFS, NONE, NONE, 4) \
  X(40, ZOP_TSTEQ_RR_OFS, TSTEQ, "tsteq", 2, RR, OFS, NONE, NONE, 4) \
  X(41, ZOP_TSTEQ_SD_OFS, TSTEQ, "tsteq", 2, SD, OFS, NONE, NONE, 3) \
  X(42, ZOP_TSTNE_R_OFS, TSTNE, "tstne", 2, R, OFS, NONE, NONE, 3) \
  X(43, ZOP_TSTNE_RD_OFS, TSTNE, "tstne", 2, RD, OFS, NONE, NONE, 4) \
  X(44, ZOP_TSTNE_RR_OFS, TSTNE, "tstne", 2, RR, OFS, NONE, NONE, 4) \
  X(45, ZOP_TSTNE_SD_OFS, TSTNE, "tstne", 2, SD, OFS, NONE, NONE, 3) \
  X(46, ZOP_ADD_R_R, ADD, "add", 2, R, R, NONE, NONE, 3) \
  X(47, ZOP_ADD_R_RD, ADD, "add", 2, R, RD, NONE, NONE, 4) \
  X(48, ZOP_ADD_R_RR, ADD, "add", 2, R, RR, NONE, NONE, 4) \
  X(49, ZOP_ADD_R_SD, ADD, "add", 2, R, SD, NONE, NONE, 3) \
  X(50, ZOP_ADD_RD_R, ADD, "add", 2, RD, R, NONE, NONE, 4) \
  X(51, ZOP_ADD_RR_R, ADD, "add", 2, RR, R, NONE, NONE, 4) \
  X(52, ZOP_ADD_SD_R, ADD, "add", 2, SD, R, NONE, NONE, 3) \
  X(53, ZOP_AND_R_R, AND, "and", 2, R, R, NONE, NONE, 3) \
  X(54, ZOP_AND_R_RD, AND, "and", 2, R, RD, NONE, NONE, 4) \
  X(55, ZOP_AND_R_RR, AND, "and", 2, R, RR, NONE, NONE, 4) \
  X(56, ZOP_AND_R_SD, AND, "and", 2, R, SD, NONE, NONE, 3) \
  X(57, ZOP_AND_RD_R, AND, "and", 2, RD, R, NONE, NONE, 4) \
  X(58, ZOP_AND_RR_R, AND, "and", 2, RR, R, NONE, NONE, 4) \
  X(59, ZOP_AND_SD_R, AND, "and", 2, SD, R, NONE, NONE, 3) \
  X(60, ZOP_ASL_R_R, ASL, "asl", 2, R, R, NONE, NONE, 3) \
  X(61, ZOP_ASL_R_RD, ASL, "asl", 2, R, RD, NONE, NONE, 4) \
  X(62, ZOP_ASL_R_RR, ASL, "asl", 2, R, RR, NONE, NONE, 4) \
  X(63, ZOP_ASL_R_SD, ASL, "asl", 2, R, SD, NONE, NONE, 3) \
  X(64, ZOP_ASL_RD_R, ASL, "asl", 2, RD, R, NONE, NONE, 4) \
  X(65, ZOP_ASL_RR_R, ASL, "asl", 2, RR, R, NONE, NONE, 4) \
  X(66, ZOP_ASL_SD_R, ASL, "asl", 2, SD, R, NONE, NONE, 3) \
  X(67, ZOP_ASR_R_R, ASR, "asr", 2, R, R, NONE, NONE, 3) \
  X(68, ZOP_ASR_R_RD, ASR, "asr", 2, R, RD, NONE, NONE, 4) \
  X(69, ZOP_ASR_R_RR, ASR, "asr", 2, R, RR, NONE, NONE, 4) \
  X(70, ZOP_ASR_R_SD, ASR, "asr", 2, R, SD, NONE, NONE, 3) \
  X(71, ZOP_ASR_RD_R, ASR, "asr", 2, RD, R, NONE, NONE, 4) \
  X(72, ZOP_ASR_RR_R, ASR, "asr", 2, RR, R, NONE, NONE, 4) \
  X(73, ZOP_ASR_SD_R, ASR, "asr", 2, SD, R, NONE, NONE, 3) \
  X(74, ZOP_DIV_R_R, DIV, "div", 2, R, R, NONE, NONE, 3) \
  X(75, ZOP_DIV_R_RD, DIV, "div", 2, R, RD, NONE, NONE, 4) \
  X(76, ZOP_DIV_R_RR, DIV, "div", 2, R, RR, NONE, NONE, 4) \
  X(77, ZOP_DIV_R_SD, DIV, "div", 2, R, SD, NONE, NONE, 3) \
  X(78, ZOP_DIV_RD_R, DIV, "div", 2, RD, R, NONE, NONE, 4) \
  X(79, ZOP_DIV_RR_R, DIV, "div", 2, RR, R, NONE, NONE, 4) \
  X(80, ZOP_DIV_SD_R, DIV, "div", 2, SD, R, NONE, NONE, 3) \
  X(81, ZOP_LSL_R_R, LSL, "lsl", 2, R, R, NONE, NONE, 3) \
  X(82, ZOP_LSL_R_RD, LSL, "lsl", 2, R, RD, NONE, NONE, 4) \
  X(83, ZOP_LSL_R_RR, LSL, "lsl", 2, R, RR, NONE, NONE, 4) \
  X(84, ZOP_LSL_R_SD, LSL, "lsl", 2, R, SD, NONE, NONE, 3) \
  X(85, ZOP_LSL_RD_R, LSL, "lsl", 2, RD, R, NONE, NONE, 4) \
  X(86, ZOP_LSL_RR_R, LSL, "lsl", 2, RR, R, NONE, NONE, 4) \
  X(87, ZOP_LSL_SD_R, LSL, "lsl", 2, SD, R, NONE, NONE, 3) \
  X(88, ZOP_LSR_R_R, LSR, "lsr", 2, R, R, NONE, NONE, 3) \
  X(89, ZOP_LSR_R_RD, LSR, "lsr", 2, R, RD, NONE, NONE, 4) \
  X(90, ZOP_LSR_R_RR, LSR, "lsr", 2, R, RR, NONE, NONE, 4) \
  X(91, ZOP_LSR_R_SD, LSR, "lsr", 2, R, SD, NONE, NONE, 3) \
  X(92, ZOP_LSR_RD_R, LSR, "lsr", 2, RD, R, NONE, NONE, 4) \
  X(93, ZOP_LSR_RR_R, LSR, "lsr", 2, RR, R, NONE, NONE, 4) \
  X(94, ZOP_LSR_SD_R, LSR, "lsr", 2, SD, R, NONE, NONE, 3) \
  X(95, ZOP_MOD_R_R, MOD, "mod", 2, R, R, NONE, NONE, 3) \
  X(96, ZOP_MOD_R_RD, MOD, "mod", 2, R, RD, NONE, NONE, 4) \
  X(97, ZOP_MOD_R_RR, MOD, "mod", 2, R, RR, NONE, NONE, 4) \
  X(98, ZOP_MOD_R_SD, MOD, "mod", 2, R, SD, NONE, NONE, 3) \
  X(99, ZOP_MOD_RD_R, MOD, "mod", 2, RD, R, NONE, NONE, 4) \
  X(100, ZOP_MOD_RR_R, MOD, "mod", 2, RR, R, NONE, NONE, 4) \
  X(101, ZOP_MOD_SD_R, MOD, "mod", 2, SD, R, NONE, NONE, 3) \
  X(102, ZOP_MUL_R_R, MUL, "mul", 2, R, R, NONE, NONE, 3) \
  X(103, ZOP_MUL_R_RD, MUL, "mul", 2, R, RD, NONE, NONE, 4) \
  X(104, ZOP_MUL_R_RR, MUL, "mul", 2, R, RR, NONE, NONE, 4) \
  X(105, ZOP_MUL_R_SD, MUL, "mul", 2, R, SD, NONE, NONE, 3) \
  X(106, ZOP_MUL_RD_R, MUL, "mul", 2, RD, R, NONE, NONE, 4) \
  X(107, ZOP_MUL_RR_R, MUL, "mul", 2, RR, R, NONE, NONE, 4) \
  X(108, ZOP_MUL_SD_R, MUL, "mul", 2, SD, R, NONE, NONE, 3) \
  X(109, ZOP_OR_R_R, OR, "or", 2, R, R, NONE, NONE, 3) \
  X(110, ZOP_OR_R_RD, OR, "or", 2, R, RD, NONE, NONE, 4) \
  X(111, ZOP_OR_R_RR, OR, "or", 2, R, RR, NONE, NONE, 4) \
  X(112, ZOP_OR_R_SD, OR, "or", 2, R, SD, NONE, NONE, 3) \
  X(113, ZOP_OR_RD_R, OR, "or", 2, RD, R, NONE, NONE, 4) \
  X(114, ZOP_OR_RR_R, OR, "or", 2, RR, R, NONE, NONE, 4) \
  X(115, ZOP_OR_SD_R, OR, "or", 2, SD, R, NONE, NONE, 3) \
  X(116, ZOP_SUB_R_R, SUB, "sub", 2, R, R, NONE, NONE, 3) \
  X(117, ZOP_SUB_R_RD, SUB, "sub", 2, R, RD, NONE, NONE, 4) \
  X(118, ZOP_SUB_R_RR, SUB, "sub", 2, R, RR, NONE, NONE, 4) \
  X(119, ZOP_SUB_R_SD, SUB, "sub", 2, R, SD, NONE, NONE, 3) \
  X(120, ZOP_SUB_RD_R, SUB, "sub", 2, RD, R, NONE, NONE, 4) \
  X(121, ZOP_SUB_RR_R, SUB, "sub", 2, RR, R, NONE, NONE, 4) \
  X(122, ZOP_SUB_SD_R, SUB, "sub", 2, SD, R, NONE, NONE, 3) \
  X(123, ZOP_XOR_R_R, XOR, "xor", 2, R, R, NONE, NONE, 3) \
  X(124, ZOP_XOR_R_RD, XOR, "xor", 2, R, RD, NONE, NONE, 4) \
  X(125, ZOP_XOR_R_RR, XOR, "xor", 2, R, RR, NONE, NONE, 4) \
  X(126, ZOP_XOR_R_SD, XOR, "xor", 2, R, SD, NONE, NONE, 3) \
  X(127, ZOP_XOR_RD_R, XOR, "xor", 2, RD, R, NONE, NONE, 4) \
  X(128, ZOP_XOR_RR_R, XOR, "xor", 2, RR, R, NONE, NONE, 4) \
  X(129, ZOP_XOR_SD_R, XOR, "xor", 2, SD, R, NONE, NONE, 3) \
  X(130, ZOP_MOVE_R_R, MOVE, "move", 2, R, R, NONE, NONE, 3) \
  X(131, ZOP_MOVE_R_RD, MOVE, "move", 2, R, RD, NONE, NONE, 4) \
  X(132, ZOP_MOVE_R_RR, MOVE, "move", 2, R, RR, NONE, NONE, 4) \
  X(133, ZOP_MOVE_R_SD, MOVE, "move", 2, R, SD, NONE, NONE, 3) \
  X(134, ZOP_MOVE_RD_R, MOVE, "move", 2, RD, R, NONE, NONE, 4) \
  X(135, ZOP_MOVE_RD_RD, MOVE, "move", 2, RD, RD, NONE, NONE, 5) \
  X(136, ZOP_MOVE_RD_RR, MOVE, "move", 2, RD, RR, NONE, NONE, 5) \
  X(137, ZOP_MOVE_RD_SD, MOVE, "move", 2, RD, SD, NONE, NONE, 4) \
  X(138, ZOP_MOVE_RR_R, MOVE, "move", 2, RR, R, NONE, NONE, 4) \
  X(139, ZOP_MOVE_RR_RD, MOVE, "move", 2, RR, RD, NONE, NONE, 5) \
  X(140, ZOP_MOVE_RR_RR, MOVE, "move", 2, RR, RR, NONE, NONE, 5) \
  X(141, ZOP_MOVE_RR_SD, MOVE, "move", 2, RR, SD, NONE, NONE, 4) \
  X(142, ZOP_MOVE_SD_R, MOVE, "move", 2, SD, R, NONE, NONE, 3) \
  X(143, ZOP_MOVE_SD_RD, MOVE, "move", 2, SD, RD, NONE, NONE, 4) \
  X(144, ZOP_MOVE_SD_RR, MOVE, "move", 2, SD, RR, NONE, NONE, 4) \
  X(145, ZOP_MOVE_SD_SD, MOVE, "move", 2, SD, SD, NONE, NONE, 3) \
  X(146, ZOP_LDZ_R, LDZ, "ldz", 1, R, NONE, NONE, NONE, 2) \
  X(147, ZOP_COPY_R_R, COPY, "copy", 2, R, R, NONE, NONE, 3) \
  X(148, ZOP_COPY_R_RD, COPY, "copy", 2, R, RD, NONE, NONE, 4) \
  X(149, ZOP_COPY_R_RR, COPY, "copy", 2, R, RR, NONE, NONE, 4) \
  X(150, ZOP_COPY_R_SD, COPY, "copy", 2, R, SD, NONE, NONE, 3) \
  X(151, ZOP_COPY_RD_R, COPY, "copy", 2, RD, R, NONE, NONE, 4) \
  X(152, ZOP_COPY_RD_RD, COPY, "copy", 2, RD, RD, NONE, NONE, 5) \
  X(153, ZOP_COPY_RD_RR, COPY, "copy", 2, RD, RR, NONE, NONE, 5) \
  X(154, ZOP_COPY_RD_SD, COPY, "copy", 2, RD, SD, NONE, NONE, 4) \
  X(155, ZOP_COPY_RR_R, COPY, "copy", 2, RR, R, NONE, NONE, 4) \
  X(156, ZOP_COPY_RR_RD, COPY, "copy", 2, RR, RD, NONE, NONE, 5) \
  X(157, ZOP_COPY_RR_RR, COPY, "copy", 2, RR, RR, NONE, NONE, 5) \
  X(158, ZOP_COPY_RR_SD, COPY, "copy", 2, RR, SD, NONE, NONE, 4) \
  X(159, ZOP_COPY_SD_R, COPY, "copy", 2, SD, R, NONE, NONE, 3) \
  X(160, ZOP_COPY_SD_RD, COPY, "copy", 2, SD, RD, NONE, NONE, 4) \
  X(161, ZOP_COPY_SD_RR, COPY, "copy", 2, SD, RR, NONE, NONE, 4) \
  X(162, ZOP_COPY_SD_SD, COPY, "copy", 2, SD, SD, NONE, NONE, 3) \
  X(163, ZOP_POP_R, POP, "pop", 1, R, NONE, NONE, NONE, 2) \
  X(164, ZOP_POP_RD, POP, "pop", 1, RD, NONE, NONE, NONE, 3) \
  X(165, ZOP_POP_RR, POP, "pop", 1, RR, NONE, NONE, NONE, 3) \
  X(166, ZOP_POP_SD, POP, "pop", 1, SD, NONE, NONE, NONE, 2) \
  X(167, ZOP_PUSH_R, PUSH, "push", 1, R, NONE, NONE, NONE, 2) \
  X(168, ZOP_PUSH_RD, PUSH, "push", 1, RD, NONE, NONE, NONE, 3) \
  X(169, ZOP_PUSH_RR, PUSH, "push", 1, RR, NONE, NONE, NONE, 3) \
  X(170, ZOP_PUSH_SD, PUSH, "push", 1, SD, NONE, NONE, NONE, 2) \
  X(171, ZOP_COPYH_DH_R, COPYH, "copyh", 2, DH, R, NONE, NONE, 3) \
  X(172, ZOP_COPYH_DH_RD, COPYH, "copyh", 2, DH, RD, NONE, NONE, 4) \
  X(173, ZOP_COPYH_DH_RR, COPYH, "copyh", 2, DH, RR, NONE, NONE, 4) \
  X(174, ZOP_COPYH_DH_SD, COPYH, "copyh", 2, DH, SD, NONE, NONE, 3) \
  X(175, ZOP_CSEQ_R_R_R, CSEQ, "cseq", 3, R, R, R, NONE, 4) \
  X(176, ZOP_CSEQ_R_RD_R, CSEQ, "cseq", 3, R, RD, R, NONE, 5) \
  X(177, ZOP_CSEQ_R_RR_R, CSEQ, "cseq", 3, R, RR, R, NONE, 5) \
  X(178, ZOP_CSEQ_R_SD_R, CSEQ, "cseq", 3, R, SD, R, NONE, 4) \
  X(179, ZOP_CSEQ_RD_R_R, CSEQ, "cseq", 3, RD, R, R, NONE, 5) \
  X(180, ZOP_CSEQ_RR_R_R, CSEQ, "cseq", 3, RR, R, R, NONE, 5) \
  X(181, ZOP_CSEQ_SD_R_R, CSEQ, "cseq", 3, SD, R, R, NONE, 4) \
  X(182, ZOP_CSNE_R_R_R, CSNE, "csne", 3, R, R, R, NONE, 4) \
  X(183, ZOP_CSNE_R_RD_R, CSNE, "csne", 3, R, RD, R, NONE, 5) \
  X(184, ZOP_CSNE_R_RR_R, CSNE, "csne", 3, R, RR, R, NONE, 5) \
  X(185, ZOP_CSNE_R_SD_R, CSNE, "csne", 3, R, SD, R, NONE, 4) \
  X(186, ZOP_CSNE_RD_R_R, CSNE, "csne", 3, RD, R, R, NONE, 5) \
  X(187, ZOP_CSNE_RR_R_R, CSNE, "csne", 3, RR, R, R, NONE, 5) \
  X(188, ZOP_CSNE_SD_R_R, CSNE, "csne", 3, SD, R, R, NONE, 4) \
  X(189, ZOP_CSGT_R_R_R, CSGT, "csgt", 3, R, R, R, NONE, 4) \
  X(190, ZOP_CSGT_R_RD_R, CSGT, "csgt", 3, R, RD, R, NONE, 5) \
  X(191, ZOP_CSGT_R_RR_R, CSGT, "csgt", 3, R, RR, R, NONE, 5) \
  X(192, ZOP_CSGT_R_SD_R, CSGT, "csgt", 3, R, SD, R, NONE, 4) \
  X(193, ZOP_CSGT_RD_R_R, CSGT, "csgt", 3, RD, R, R, NONE, 5) \
  X(194, ZOP_CSGT_RR_R_R, CSGT, "csgt", 3, RR, R, R, NONE, 5) \
  X(195, ZOP_CSGT_SD_R_R, CSGT, "csgt", 3, SD, R, R, NONE, 4) \
  X(196, ZOP_CSGE_R_R_R, CSGE, "csge", 3, R, R, R, NONE, 4) \
  X(197, ZOP_CSGE_R_RD_R, CSGE, "csge", 3, R, RD, R, NONE, 5) \
  X(198, ZOP_CSGE_R_RR_R, CSGE, "csge", 3, R, RR, R, NONE, 5) \
  X(199, ZOP_CSGE_R_SD_R, CSGE, "csge", 3, R, SD, R, NONE, 4) \
  X(200, ZOP_CSGE_RD_R_R, CSGE, "csge", 3, RD, R, R, NONE, 5) \
  X(201, ZOP_CSGE_RR_R_R, CSGE, "csge", 3, RR, R, R, NONE, 5) \
  X(202, ZOP_CSGE_SD_R_R, CSGE, "csge", 3, SD, R, R, NONE, 4) \
  X(203, ZOP_CSLT_R_R_R, CSLT, "cslt", 3, R, R, R, NONE, 4) \
  X(204, ZOP_CSLT_R_RD_R, CSLT, "cslt", 3, R, RD, R, NONE, 5) \
  X(205, ZOP_CSLT_R_RR_R, CSLT, "cslt", 3, R, RR, R, NONE, 5) \
  X(206, ZOP_CSLT_R_SD_R, CSLT, "cslt", 3, R, SD, R, NONE, 4) \
  X(207, ZOP_CSLT_RD_R_R, CSLT, "cslt", 3, RD, R, R, NONE, 5) \
  X(208, ZOP_CSLT_RR_R_R, CSLT, "cslt", 3, RR, R, R, NONE, 5) \
  X(209, ZOP_CSLT_SD_R_R, CSLT, "cslt", 3, SD, R, R, NONE, 4) \
  X(210, ZOP_CSLE_R_R_R, CSLE, "csle", 3, R, R, R, NONE, 4) \
  X(211, ZOP_CSLE_R_RD_R, CSLE, "csle", 3, R, RD, R, NONE, 5) \
  X(212, ZOP_CSLE_R_RR_R, CSLE, "csle", 3, R, RR, R, NONE, 5) \
  X(213, ZOP_CSLE_R_SD_R, CSLE, "csle", 3, R, SD, R, NONE, 4) \
  X(214, ZOP_CSLE_RD_R_R, CSLE, "csle", 3, RD, R, R, NONE, 5) \
  X(215, ZOP_CSLE_RR_R_R, CSLE, "csle", 3, RR, R, R, NONE, 5) \
  X(216, ZOP_CSLE_SD_R_R, CSLE, "csle", 3, SD, R, R, NONE, 4) \
  X(217, ZOP_SNUL_R_R, SNUL, "snul", 2, R, R, NONE, NONE, 3) \
  X(218, ZOP_SNNUL_R_R, SNNUL, "snnul", 2, R, R, NONE, NONE, 3) \
  X(219, ZOP_UNOT_R, UNOT, "unot", 1, R, NONE, NONE, NONE, 2) \
  X(220, ZOP_UNOT_RD, UNOT, "unot", 1, RD, NONE, NONE, NONE, 3) \
  X(221, ZOP_UNOT_RR, UNOT, "unot", 1, RR, NONE, NONE, NONE, 3) \
  X(222, ZOP_UNOT_SD, UNOT, "unot", 1, SD, NONE, NONE, NONE, 2) \
  X(223, ZOP_STREQ_R_R_R, STREQ, "streq", 3, R, R, R, NONE, 4) \
  X(224, ZOP_STREQ_R_RD_R, STREQ, "streq", 3, R, RD, R, NONE, 5) \
  X(225, ZOP_STREQ_R_RR_R, STREQ, "streq", 3, R, RR, R, NONE, 5) \
  X(226, ZOP_STREQ_R_SD_R, STREQ, "streq", 3, R, SD, R, NONE, 4) \
  X(227, ZOP_STREQ_RD_R_R, STREQ, "streq", 3, RD, R, R, NONE, 5) \
  X(228, ZOP_STREQ_RR_R_R, STREQ, "streq", 3, RR, R, R, NONE, 5) \
  X(229, ZOP_STREQ_SD_R_R, STREQ, "streq", 3, SD, R, R, NONE, 4) \
  X(230, ZOP_STRNE_R_R_R, STRNE, "strne", 3, R, R, R, NONE, 4) \
  X(231, ZOP_STRNE_R_RD_R, STRNE, "strne", 3, R, RD, R, NONE, 5) \
  X(232, ZOP_STRNE_R_RR_R, STRNE, "strne", 3, R, RR, R, NONE, 5) \
  X(233, ZOP_STRNE_R_SD_R, STRNE, "strne", 3, R, SD, R, NONE, 4) \
  X(234, ZOP_STRNE_RD_R_R, STRNE, "strne", 3, RD, R, R, NONE, 5) \
  X(235, ZOP_STRNE_RR_R_R, STRNE, "strne", 3, RR, R, R, NONE, 5) \
  X(236, ZOP_STRNE_SD_R_R, STRNE, "strne", 3, SD, R, R, NONE, 4) \
  X(237, ZOP_STRADD_R_R, STRADD, "stradd", 2, R, R, NONE, NONE, 3) \
  X(238, ZOP_STRADD_R_RD, STRADD, "stradd", 2, R, RD, NONE, NONE, 4) \
  X(239, ZOP_STRADD_R_RR, STRADD, "stradd", 2, R, RR, NONE, NONE, 4) \
  X(240, ZOP_STRADD_R_SD, STRADD, "stradd", 2, R, SD, NONE, NONE, 3) \
  X(241, ZOP_STRADD_RD_R, STRADD, "stradd", 2, RD, R, NONE, NONE, 4) \
  X(242, ZOP_STRADD_RR_R, STRADD, "stradd", 2, RR, R, NONE, NONE, 4) \
  X(243, ZOP_STRADD_SD_R, STRADD, "stradd", 2, SD, R, NONE, NONE, 3) \
  X(244, ZOP_ARRCP_R_R, ARRCP, "arrcp", 2, R, R, NONE, NONE, 3) \
  X(245, ZOP_ARRCP_R_RD, ARRCP, "arrcp", 2, R, RD, NONE, NONE, 4) \
  X(246, ZOP_ARRCP_R_RR, ARRCP, "arrcp", 2, R, RR, NONE, NONE, 4) \
  X(247, ZOP_ARRCP_R_SD, ARRCP, "arrcp", 2, R, SD, NONE, NONE, 3) \
  X(248, ZOP_ARRCP_RD_R, ARRCP, "arrcp", 2, RD, R, NONE, NONE, 4) \
  X(249, ZOP_ARRCP_RR_R, ARRCP, "arrcp", 2, RR, R, NONE, NONE, 4) \
  X(250, ZOP_ARRCP_SD_R, ARRCP, "arrcp", 2, SD, R, NONE, NONE, 3) \
  X(251, ZOP_ARRMV_R_R, ARRMV, "arrmv", 2, R, R, NONE, NONE, 3) \
  X(252, ZOP_ARRMV_R_RD, ARRMV, "arrmv", 2, R, RD, NONE, NONE, 4) \
  X(253, ZOP_ARRMV_R_RR, ARRMV, "arrmv", 2, R, RR, NONE, NONE, 4) \
  X(254, ZOP_ARRMV_R_SD, ARRMV, "arrmv", 2, R, SD, NONE, NONE, 3) \
  X(255, ZOP_ARRMV_RD_R, ARRMV, "arrmv", 2, RD, R, NONE, NONE, 4) \
  X(256, ZOP_ARRMV_RR_R, ARRMV, "arrmv", 2, RR, R, NONE, NONE, 4) \
  X(257, ZOP_ARRMV_SD_R, ARRMV, "arrmv", 2, SD, R, NONE, NONE, 3) \
  X(258, ZOP_ADDL_R_R, ADDL, "addl", 2, R, R, NONE, NONE, 3) \
  X(259, ZOP_ADDL_R_RD, ADDL, "addl", 2, R, RD, NONE, NONE, 4) \
  X(260, ZOP_ADDL_R_RR, ADDL, "addl", 2, R, RR, NONE, NONE, 4) \
  X(261, ZOP_ADDL_R_SD, ADDL, "addl", 2, R, SD, NONE, NONE, 3) \
  X(262, ZOP_ADDL_RD_R, ADDL, "addl", 2, RD, R, NONE, NONE, 4) \
  X(263, ZOP_ADDL_RR_R, ADDL, "addl", 2, RR, R, NONE, NONE, 4) \
  X(264, ZOP_ADDL_SD_R, ADDL, "addl", 2, SD, R, NONE, NONE, 3) \
  X(265, ZOP_SUBL_R_R, SUBL, "subl", 2, R, R, NONE, NONE, 3) \
  X(266, ZOP_SUBL_R_RD, SUBL, "subl", 2, R, RD, NONE, NONE, 4) \
  X(267, ZOP_SUBL_R_RR, SUBL, "subl", 2, R, RR, NONE, NONE, 4) \
  X(268, ZOP_SUBL_R_SD, SUBL, "subl", 2, R, SD, NONE, NONE, 3) \
  X(269, ZOP_SUBL_RD_R, SUBL, "subl", 2, RD, R, NONE, NONE, 4) \
  X(270, ZOP_SUBL_RR_R, SUBL, "subl", 2, RR, R, NONE, NONE, 4) \
  X(271, ZOP_SUBL_SD_R, SUBL, "subl", 2, SD, R, NONE, NONE, 3) \
  X(272, ZOP_MULL_R_R, MULL, "mull", 2, R, R, NONE, NONE, 3) \
  X(273, ZOP_MULL_R_RD, MULL, "mull", 2, R, RD, NONE, NONE, 4) \
  X(274, ZOP_MULL_R_RR, MULL, "mull", 2, R, RR, NONE, NONE, 4) \
  X(275, ZOP_MULL_R_SD, MULL, "mull", 2, R, SD, NONE, NONE, 3) \
  X(276, ZOP_MULL_RD_R, MULL, "mull", 2, RD, R, NONE, NONE, 4) \
  X(277, ZOP_MULL_RR_R, MULL, "mull", 2, RR, R, NONE, NONE, 4) \
  X(278, ZOP_MULL_SD_R, MULL, "mull", 2, SD, R, NONE, NONE, 3) \
  X(279, ZOP_DIVL_R_R, DIVL, "divl", 2, R, R, NONE, NONE, 3) \
  X(280, ZOP_DIVL_R_RD, DIVL, "divl", 2, R, RD, NONE, NONE, 4) \
  X(281, ZOP_DIVL_R_RR, DIVL, "divl", 2, R, RR, NONE, NONE, 4) \
  X(282, ZOP_DIVL_R_SD, DIVL, "divl", 2, R, SD, NONE, NONE, 3) \
  X(283, ZOP_DIVL_RD_R, DIVL, "divl", 2, RD, R, NONE, NONE, 4) \
  X(284, ZOP_DIVL_RR_R, DIVL, "divl", 2, RR, R, NONE, NONE, 4) \
  X(285, ZOP_DIVL_SD_R, DIVL, "divl", 2, SD, R, NONE, NONE, 3) \
  X(286, ZOP_MODL_R_R, MODL, "modl", 2, R, R, NONE, NONE, 3) \
  X(287, ZOP_MODL_R_RD, MODL, "modl", 2, R, RD, NONE, NONE, 4) \
  X(288, ZOP_MODL_R_RR, MODL, "modl", 2, R, RR, NONE, NONE, 4) \
  X(289, ZOP_MODL_R_SD, MODL, "modl", 2, R, SD, NONE, NONE, 3) \
  X(290, ZOP_MODL_RD_R, MODL, "modl", 2, RD, R, NONE, NONE, 4) \
  X(291, ZOP_MODL_RR_R, MODL, "modl", 2, RR, R, NONE, NONE, 4) \
  X(292, ZOP_MODL_SD_R, MODL, "modl", 2, SD, R, NONE, NONE, 3) \
  X(293, ZOP_DECL_R, DECL, "decl", 1, R, NONE, NONE, NONE, 2) \
  X(294, ZOP_DECL_RD, DECL, "decl", 1, RD, NONE, NONE, NONE, 3) \
  X(295, ZOP_DECL_RR, DECL, "decl", 1, RR, NONE, NONE, NONE, 3) \
  X(296, ZOP_DECL_SD, DECL, "decl", 1, SD, NONE, NONE, NONE, 2) \
  X(297, ZOP_INCL_R, INCL, "incl", 1, R, NONE, NONE, NONE, 2) \
  X(298, ZOP_INCL_RD, INCL, "incl", 1, RD, NONE, NONE, NONE, 3) \
  X(299, ZOP_INCL_RR, INCL, "incl", 1, RR, NONE, NONE, NONE, 3) \
  X(300, ZOP_INCL_SD, INCL, "incl", 1, SD, NONE, NONE, NONE, 2) \
  X(301, ZOP_NEGL_R, NEGL, "negl", 1, R, NONE, NONE, NONE, 2) \
  X(302, ZOP_NEGL_RD, NEGL, "negl", 1, RD, NONE, NONE, NONE, 3) \
  X(303, ZOP_NEGL_RR, NEGL, "negl", 1, RR, NONE, NONE, NONE, 3) \
  X(304, ZOP_NEGL_SD, NEGL, "negl", 1, SD, NONE, NONE, NONE, 2) \
  X(305, ZOP_CSEQL_R_R_R, CSEQL, "cseql", 3, R, R, R, NONE, 4) \
  X(306, ZOP_CSEQL_R_RD_R, CSEQL, "cseql", 3, R, RD, R, NONE, 5) \
  X(307, ZOP_CSEQL_R_RR_R, CSEQL, "cseql", 3, R, RR, R, NONE, 5) \
  X(308, ZOP_CSEQL_R_SD_R, CSEQL, "cseql", 3, R, SD, R, NONE, 4) \
  X(309, ZOP_CSEQL_RD_R_R, CSEQL, "cseql", 3, RD, R, R, NONE, 5) \
  X(310, ZOP_CSEQL_RR_R_R, CSEQL, "cseql", 3, RR, R, R, NONE, 5) \
  X(311, ZOP_CSEQL_SD_R_R, CSEQL, "cseql", 3, SD, R, R, NONE, 4) \
  X(312, ZOP_CSNEL_R_R_R, CSNEL, "csnel", 3, R, R, R, NONE, 4) \
  X(313, ZOP_CSNEL_R_RD_R, CSNEL, "csnel", 3, R, RD, R, NONE, 5) \
  X(314, ZOP_CSNEL_R_RR_R, CSNEL, "csnel", 3, R, RR, R, NONE, 5) \
  X(315, ZOP_CSNEL_R_SD_R, CSNEL, "csnel", 3, R, SD, R, NONE, 4) \
  X(316, ZOP_CSNEL_RD_R_R, CSNEL, "csnel", 3, RD, R, R, NONE, 5) \
  X(317, ZOP_CSNEL_RR_R_R, CSNEL, "csnel", 3, RR, R, R, NONE, 5) \
  X(318, ZOP_CSNEL_SD_R_R, CSNEL, "csnel", 3, SD, R, R, NONE, 4) \
  X(319, ZOP_CSGTL_R_R_R, CSGTL, "csgtl", 3, R, R, R, NONE, 4) \
  X(320, ZOP_CSGTL_R_RD_R, CSGTL, "csgtl", 3, R, RD, R, NONE, 5) \
  X(321, ZOP_CSGTL_R_RR_R, CSGTL, "csgtl", 3, R, RR, R, NONE, 5) \
  X(322, ZOP_CSGTL_R_SD_R, CSGTL, "csgtl", 3, R, SD, R, NONE, 4) \
  X(323, ZOP_CSGTL_RD_R_R, CSGTL, "csgtl", 3, RD, R, R, NONE, 5) \
  X(324, ZOP_CSGTL_RR_R_R, CSGTL, "csgtl", 3, RR, R, R, NONE, 5) \
  X(325, ZOP_CSGTL_SD_R_R, CSGTL, "csgtl", 3, SD, R, R, NONE, 4) \
  X(326, ZOP_CSGEL_R_R_R, CSGEL, "csgel", 3, R, R, R, NONE, 4) \
  X(327, ZOP_CSGEL_R_RD_R, CSGEL, "csgel", 3, R, RD, R, NONE, 5) \
  X(328, ZOP_CSGEL_R_RR_R, CSGEL, "csgel", 3, R, RR, R, NONE, 5) \
  X(329, ZOP_CSGEL_R_SD_R, CSGEL, "csgel", 3, R, SD, R, NONE, 4) \
  X(330, ZOP_CSGEL_RD_R_R, CSGEL, "csgel", 3, RD, R, R, NONE, 5) \
  X(331, ZOP_CSGEL_RR_R_R, CSGEL, "csgel", 3, RR, R, R, NONE, 5) \
  X(332, ZOP_CSGEL_SD_R_R, CSGEL, "csgel", 3, SD, R, R, NONE, 4) \
  X(333, ZOP_CSLTL_R_R_R, CSLTL, "csltl", 3, R, R, R, NONE, 4) \
  X(334, ZOP_CSLTL_R_RD_R, CSLTL, "csltl", 3, R, RD, R, NONE, 5) \
  X(335, ZOP_CSLTL_R_RR_R, CSLTL, "csltl", 3, R, RR, R, NONE, 5) \
  X(336, ZOP_CSLTL_R_SD_R, CSLTL, "csltl", 3, R, SD, R, NONE, 4) \
  X(337, ZOP_CSLTL_RD_R_R, CSLTL, "csltl", 3, RD, R, R, NONE, 5) \
  X(338, ZOP_CSLTL_RR_R_R, CSLTL, "csltl", 3, RR, R, R, NONE, 5) \
  X(339, ZOP_CSLTL_SD_R_R, CSLTL, "csltl", 3, SD, R, R, NONE, 4) \
  X(340, ZOP_CSLEL_R_R_R, CSLEL, "cslel", 3, R, R, R, NONE, 4) \
  X(341, ZOP_CSLEL_R_RD_R, CSLEL, "cslel", 3, R, RD, R, NONE, 5) \
  X(342, ZOP_CSLEL_R_RR_R, CSLEL, "cslel", 3, R, RR, R, NONE, 5) \
  X(343, ZOP_CSLEL_R_SD_R, CSLEL, "cslel", 3, R, SD, R, NONE, 4) \
  X(344, ZOP_CSLEL_RD_R_R, CSLEL, "cslel", 3, RD, R, R, NONE, 5) \
  X(345, ZOP_CSLEL_RR_R_R, CSLEL, "cslel", 3, RR, R, R, NONE, 5) \
  X(346, ZOP_CSLEL_SD_R_R, CSLEL, "cslel", 3, SD, R, R, NONE, 4) \
  X(347, ZOP_ADDF_R_R, ADDF, "addf", 2, R, R, NONE, NONE, 3) \
  X(348, ZOP_ADDF_R_RD, ADDF, "addf", 2, R, RD, NONE, NONE, 4) \
  X(349, ZOP_ADDF_R_RR, ADDF, "addf", 2, R, RR, NONE, NONE, 4) \
  X(350, ZOP_ADDF_R_SD, ADDF, "addf", 2, R, SD, NONE, NONE, 3) \
  X(351, ZOP_ADDF_RD_R, ADDF, "addf", 2, RD, R, NONE, NONE, 4) \
  X(352, ZOP_ADDF_RR_R, ADDF, "addf", 2, RR, R, NONE, NONE, 4) \
  X(353, ZOP_ADDF_SD_R, ADDF, "addf", 2, SD, R, NONE, NONE, 3) \
  X(354, ZOP_SUBF_R_R, SUBF, "subf", 2, R, R, NONE, NONE, 3) \
  X(355, ZOP_SUBF_R_RD, SUBF, "subf", 2, R, RD, NONE, NONE, 4) \
  X(356, ZOP_SUBF_R_RR, SUBF, "subf", 2, R, RR, NONE, NONE, 4) \
  X(357, ZOP_SUBF_R_SD, SUBF, "subf", 2, R, SD, NONE, NONE, 3) \
  X(358, ZOP_SUBF_RD_R, SUBF, "subf", 2, RD, R, NONE, NONE, 4) \
  X(359, ZOP_SUBF_RR_R, SUBF, "subf", 2, RR, R, NONE, NONE, 4) \
  X(360, ZOP_SUBF_SD_R, SUBF, "subf", 2, SD, R, NONE, NONE, 3) \
  X(361, ZOP_MULF_R_R, MULF, "mulf", 2, R, R, NONE, NONE, 3) \
  X(362, ZOP_MULF_R_RD, MULF, "mulf", 2, R, RD, NONE, NONE, 4) \
  X(363, ZOP_MULF_R_RR, MULF, "mulf", 2, R, RR, NONE, NONE, 4) \
  X(364, ZOP_MULF_R_SD, MULF, "mulf", 2, R, SD, NONE, NONE, 3) \
  X(365, ZOP_MULF_RD_R, MULF, "mulf", 2, RD, R, NONE, NONE, 4) \
  X(366, ZOP_MULF_RR_R, MULF, "mulf", 2, RR, R, NONE, NONE, 4) \
  X(367, ZOP_MULF_SD_R, MULF, "mulf", 2, SD, R, NONE, NONE, 3) \
  X(368, ZOP_DIVF_R_R, DIVF, "divf", 2, R, R, NONE, NONE, 3) \
  X(369, ZOP_DIVF_R_RD, DIVF, "divf", 2, R, RD, NONE, NONE, 4) \
  X(370, ZOP_DIVF_R_RR, DIVF, "divf", 2, R, RR, NONE, NONE, 4) \
  X(371, ZOP_DIVF_R_SD, DIVF, "divf", 2, R, SD, NONE, NONE, 3) \
  X(372, ZOP_DIVF_RD_R, DIVF, "divf", 2, RD, R, NONE, NONE, 4) \
  X(373, ZOP_DIVF_RR_R, DIVF, "divf", 2, RR, R, NONE, NONE, 4) \
  X(374, ZOP_DIVF_SD_R, DIVF, "divf", 2, SD, R, NONE, NONE, 3) \
  X(375, ZOP_MODF_R_R, MODF, "modf", 2, R, R, NONE, NONE, 3) \
  X(376, ZOP_MODF_R_RD, MODF, "modf", 2, R, RD, NONE, NONE, 4) \
  X(377, ZOP_MODF_R_RR, MODF, "modf", 2, R, RR, NONE, NONE, 4) \
  X(378, ZOP_MODF_R_SD, MODF, "modf", 2, R, SD, NONE, NONE, 3) \
  X(379, ZOP_MODF_RD_R, MODF, "modf", 2, RD, R, NONE, NONE, 4) \
  X(380, ZOP_MODF_RR_R, MODF, "modf", 2, RR, R, NONE, NONE, 4) \
  X(381, ZOP_MODF_SD_R, MODF, "modf", 2, SD, R, NONE, NONE, 3) \
  X(382, ZOP_DECF_R, DECF, "decf", 1, R, NONE, NONE, NONE, 2) \
  X(383, ZOP_DECF_RD, DECF, "decf", 1, RD, NONE, NONE, NONE, 3) \
  X(384, ZOP_DECF_RR, DECF, "decf", 1, RR, NONE, NONE, NONE, 3) \
  X(385, ZOP_DECF_SD, DECF, "decf", 1, SD, NONE, NONE, NONE, 2) \
  X(386, ZOP_INCF_R, INCF, "incf", 1, R, NONE, NONE, NONE, 2) \
  X(387, ZOP_INCF_RD, INCF, "incf", 1, RD, NONE, NONE, NONE, 3) \
  X(388, ZOP_INCF_RR, INCF, "incf", 1, RR, NONE, NONE, NONE, 3) \
  X(389, ZOP_INCF_SD, INCF, "incf", 1, SD, NONE, NONE, NONE, 2) \
  X(390, ZOP_NEGF_R, NEGF, "negf", 1, R, NONE, NONE, NONE, 2) \
  X(391, ZOP_NEGF_RD, NEGF, "negf", 1, RD, NONE, NONE, NONE, 3) \
  X(392, ZOP_NEGF_RR, NEGF, "negf", 1, RR, NONE, NONE, NONE, 3) \
  X(393, ZOP_NEGF_SD, NEGF, "negf", 1, SD, NONE, NONE, NONE, 2) \
  X(394, ZOP_CSEQF_R_R_R, CSEQF, "cseqf", 3, R, R, R, NONE, 4) \
  X(395, ZOP_CSEQF_R_RD_R, CSEQF, "cseqf", 3, R, RD, R, NONE, 5) \
  X(396, ZOP_CSEQF_R_RR_R, CSEQF, "cseqf", 3, R, RR, R, NONE, 5) \
  X(397, ZOP_CSEQF_R_SD_R, CSEQF, "cseqf", 3, R, SD, R, NONE, 4) \
  X(398, ZOP_CSEQF_RD_R_R, CSEQF, "cseqf", 3, RD, R, R, NONE, 5) \
  X(399, ZOP_CSEQF_RR_R_R, CSEQF, "cseqf", 3, RR, R, R, NONE, 5) \
  X(400, ZOP_CSEQF_SD_R_R, CSEQF, "cseqf", 3, SD, R, R, NONE, 4) \
  X(401, ZOP_CSNEF_R_R_R, CSNEF, "csnef", 3, R, R, R, NONE, 4) \
  X(402, ZOP_CSNEF_R_RD_R, CSNEF, "csnef", 3, R, RD, R, NONE, 5) \
  X(403, ZOP_CSNEF_R_RR_R, CSNEF, "csnef", 3, R, RR, R, NONE, 5) \
  X(404, ZOP_CSNEF_R_SD_R, CSNEF, "csnef", 3, R, SD, R, NONE, 4) \
  X(405, ZOP_CSNEF_RD_R_R, CSNEF, "csnef", 3, RD, R, R, NONE, 5) \
  X(406, ZOP_CSNEF_RR_R_R, CSNEF, "csnef", 3, RR, R, R, NONE, 5) \
  X(407, ZOP_CSNEF_SD_R_R, CSNEF, "csnef", 3, SD, R, R, NONE, 4) \
  X(408, ZOP_CSGTF_R_R_R, CSGTF, "csgtf", 3, R, R, R, NONE, 4) \
  X(409, ZOP_CSGTF_R_RD_R, CSGTF, "csgtf", 3, R, RD, R, NONE, 5) \
  X(410, ZOP_CSGTF_R_RR_R, CSGTF, "csgtf", 3, R, RR, R, NONE, 5) \
  X(411, ZOP_CSGTF_R_SD_R, CSGTF, "csgtf", 3, R, SD, R, NONE, 4) \
  X(412, ZOP_CSGTF_RD_R_R, CSGTF, "csgtf", 3, RD, R, R, NONE, 5) \
  X(413, ZOP_CSGTF_RR_R_R, CSGTF, "csgtf", 3, RR, R, R, NONE, 5) \
  X(414, ZOP_CSGTF_SD_R_R, CSGTF, "csgtf", 3, SD, R, R, NONE, 4) \
  X(415, ZOP_CSGEF_R_R_R, CSGEF, "csgef", 3, R, R, R, NONE, 4) \
  X(416, ZOP_CSGEF_R_RD_R, CSGEF, "csgef", 3, R, RD, R, NONE, 5) \
  X(417, ZOP_CSGEF_R_RR_R, CSGEF, "csgef", 3, R, RR, R, NONE, 5) \
  X(418, ZOP_CSGEF_R_SD_R, CSGEF, "csgef", 3, R, SD, R, NONE, 4) \
  X(419, ZOP_CSGEF_RD_R_R, CSGEF, "csgef", 3, RD, R, R, NONE, 5) \
  X(420, ZOP_CSGEF_RR_R_R, CSGEF, "csgef", 3, RR, R, R, NONE, 5) \
  X(421, ZOP_CSGEF_SD_R_R, CSGEF, "csgef", 3, SD, R, R, NONE, 4) \
  X(422, ZOP_CSLTF_R_R_R, CSLTF, "csltf", 3, R, R, R, NONE, 4) \
  X(423, ZOP_CSLTF_R_RD_R, CSLTF, "csltf", 3, R, RD, R, NONE, 5) \
  X(424, ZOP_CSLTF_R_RR_R, CSLTF, "csltf", 3, R, RR, R, NONE, 5) \
  X(425, ZOP_CSLTF_R_SD_R, CSLTF, "csltf", 3, R, SD, R, NONE, 4) \
  X(426, ZOP_CSLTF_RD_R_R, CSLTF, "csltf", 3, RD, R, R, NONE, 5) \
  X(427, ZOP_CSLTF_RR_R_R, CSLTF, "csltf", 3, RR, R, R, NONE, 5) \
  X(428, ZOP_CSLTF_SD_R_R, CSLTF, "csltf", 3, SD, R, R, NONE, 4) \
  X(429, ZOP_CSLEF_R_R_R, CSLEF, "cslef", 3, R, R, R, NONE, 4) \
  X(430, ZOP_CSLEF_R_RD_R, CSLEF, "cslef", 3, R, RD, R, NONE, 5) \
  X(431, ZOP_CSLEF_R_RR_R, CSLEF, "cslef", 3, R, RR, R, NONE, 5) \
  X(432, ZOP_CSLEF_R_SD_R, CSLEF, "cslef", 3, R, SD, R, NONE, 4) \
  X(433, ZOP_CSLEF_RD_R_R, CSLEF, "cslef", 3, RD, R, R, NONE, 5) \
  X(434, ZOP_CSLEF_RR_R_R, CSLEF, "cslef", 3, RR, R, R, NONE, 5) \
  X(435, ZOP_CSLEF_SD_R_R, CSLEF, "cslef", 3, SD, R, R, NONE, 4) \
  X(436, ZOP_POP, POP0, "pop", 0, NONE, NONE, NONE, NONE, 1) \
  X(437, ZOP_PUSH, PUSH0, "push", 0, NONE, NONE, NONE, NONE, 1) \
  X(438, ZOP_RTCHK_TYPE_R, RTCHK, "rtchk", 2, TYPE, R, NONE, NONE, 3) \
  X(439, ZOP_RTCHK_TYPE_RD, RTCHK, "rtchk", 2, TYPE, RD, NONE, NONE, 4) \
  X(440, ZOP_RTCHK_TYPE_RR, RTCHK, "rtchk", 2, TYPE, RR, NONE, NONE, 4) \
  X(441, ZOP_RTCHK_TYPE_SD, RTCHK, "rtchk", 2, TYPE, SD, NONE, NONE, 3) \
  X(442, ZOP_JSR_IMM, JSR, "jsr", 1, IMM, NONE, NONE, NONE, 2) \
  X(443, ZOP_JSR_R, JSR, "jsr", 1, R, NONE, NONE, NONE, 2) \
  X(444, ZOP_JSR_RD, JSR, "jsr", 1, RD, NONE, NONE, NONE, 3) \
  X(445, ZOP_JSR_RR, JSR, "jsr", 1, RR, NONE, NONE, NONE, 3) \
  X(446, ZOP_JSR_SD, JSR, "jsr", 1, SD, NONE, NONE, NONE, 2) \
  X(447, ZOP_NEWCTX_TYPE_IMM_IMM_R, NEWCTX, "newctx", 4, TYPE, IMM, IMM, R, 5) \
  X(448, ZOP_RESUME_R, RESUME, "resume", 1, R, NONE, NONE, NONE, 2) \
  X(449, ZOP_RESUME_RD, RESUME, "resume", 1, RD, NONE, NONE, NONE, 3) \
  X(450, ZOP_RESUME_RR, RESUME, "resume", 1, RR, NONE, NONE, NONE, 3) \
  X(451, ZOP_RESUME_SD, RESUME, "resume", 1, SD, NONE, NONE, NONE, 2) \
  X(452, ZOP_YIELD, YIELD, "yield", 0, NONE, NONE, NONE, NONE, 1) \
  X(453, ZOP_WREF_R_R, WREF, "wref", 2, R, R, NONE, NONE, 3) \
  X(454, ZOP_WREF_R_RD, WREF, "wref", 2, R, RD, NONE, NONE, 4) \
  X(455, ZOP_WREF_R_RR, WREF, "wref", 2, R, RR, NONE, NONE, 4) \
  X(456, ZOP_WREF_R_SD, WREF, "wref", 2, R, SD, NONE, NONE, 3) \
  X(457, ZOP_WREF_RD_R, WREF, "wref", 2, RD, R, NONE, NONE, 4) \
  X(458, ZOP_WREF_RD_RD, WREF, "wref", 2, RD, RD, NONE, NONE, 5) \
  X(459, ZOP_WREF_RD_RR, WREF, "wref", 2, RD, RR, NONE, NONE, 5) \
  X(460, ZOP_WREF_RD_SD, WREF, "wref", 2, RD, SD, NONE, NONE, 4) \
  X(461, ZOP_WREF_RR_R, WREF, "wref", 2, RR, R, NONE, NONE, 4) \
  X(462, ZOP_WREF_RR_RD, WREF, "wref", 2, RR, RD, NONE, NONE, 5) \
  X(463, ZOP_WREF_RR_RR, WREF, "wref", 2, RR, RR, NONE, NONE, 5) \
  X(464, ZOP_WREF_RR_SD, WREF, "wref", 2, RR, SD, NONE, NONE, 4) \
  X(465, ZOP_WREF_SD_R, WREF, "wref", 2, SD, R, NONE, NONE, 3) \
  X(466, ZOP_WREF_SD_RD, WREF, "wref", 2, SD, RD, NONE, NONE, 4) \
  X(467, ZOP_WREF_SD_RR, WREF, "wref", 2, SD, RR, NONE, NONE, 4) \
  X(468, ZOP_WREF_SD_SD, WREF, "wref", 2, SD, SD, NONE, NONE, 3) \
  X(469, ZOP_CMPREF_R_R_R, CMPREF, "cmpref", 3, R, R, R, NONE, 4) \
  X(470, ZOP_NEWDG_TYPE_IMM_R, NEWDG, "newdg", 3, TYPE, IMM, R, NONE, 4) \
  X(471, ZOP_NEWDGM_TYPE_IMM_R_R, NEWDGM, "newdgm", 4, TYPE, IMM, R, R, 5) \
  X(472, ZOP_CALLDG_R, CALLDG, "calldg", 1, R, NONE, NONE, NONE, 2) \
  X(473, ZOP_CALLDG_RD, CALLDG, "calldg", 1, RD, NONE, NONE, NONE, 3) \
  X(474, ZOP_CALLDG_RR, CALLDG, "calldg", 1, RR, NONE, NONE, NONE, 3) \
  X(475, ZOP_CALLDG_SD, CALLDG, "calldg", 1, SD, NONE, NONE, NONE, 2) \
  X(476, ZOP_THROW, THROW, "throw", 0, NONE, NONE, NONE, NONE, 1) \
  X(477, ZOP_ADDL3_R_R_R, ADDL3, "addl3", 3, R, R, R, NONE, 4) \
  X(478, ZOP_SUBL3_R_R_R, SUBL3, "subl3", 3, R, R, R, NONE, 4) \
  X(479, ZOP_MULL3_R_R_R, MULL3, "mull3", 3, R, R, R, NONE, 4) \
  X(480, ZOP_DIVL3_R_R_R, DIVL3, "divl3", 3, R, R, R, NONE, 4) \
  X(481, ZOP_MODL3_R_R_R, MODL3, "modl3", 3, R, R, R, NONE, 4) \
  X(482, ZOP_ADDF3_R_R_R, ADDF3, "addf3", 3, R, R, R, NONE, 4) \
  X(483, ZOP_SUBF3_R_R_R, SUBF3, "subf3", 3, R, R, R, NONE, 4) \
  X(484, ZOP_MULF3_R_R_R, MULF3, "mulf3", 3, R, R, R, NONE, 4) \
  X(485, ZOP_DIVF3_R_R_R, DIVF3, "divf3", 3, R, R, R, NONE, 4) \
  X(486, ZOP_MODF3_R_R_R, MODF3, "modf3", 3, R, R, R, NONE, 4) \
  X(487, ZOP_BEQL_R_R_OFS, BEQL, "beql", 3, R, R, OFS, NONE, 4) \
  X(488, ZOP_BEQL_R_SD_OFS, BEQL, "beql", 3, R, SD, OFS, NONE, 4) \
  X(489, ZOP_BEQL_SD_R_OFS, BEQL, "beql", 3, SD, R, OFS, NONE, 4) \
  X(490, ZOP_BEQL_IMM_R_OFS, BEQL, "beql", 3, IMM, R, OFS, NONE, 4) \
  X(491, ZOP_BEQL_IMM_SD_OFS, BEQL, "beql", 3, IMM, SD, OFS, NONE, 4) \
  X(492, ZOP_BNEL_R_R_OFS, BNEL, "bnel", 3, R, R, OFS, NONE, 4) \
  X(493, ZOP_BNEL_R_SD_OFS, BNEL, "bnel", 3, R, SD, OFS, NONE, 4) \
  X(494, ZOP_BNEL_SD_R_OFS, BNEL, "bnel", 3, SD, R, OFS, NONE, 4) \
  X(495, ZOP_BNEL_IMM_R_OFS, BNEL, "bnel", 3, IMM, R, OFS, NONE, 4) \
  X(496, ZOP_BNEL_IMM_SD_OFS, BNEL, "bnel", 3, IMM, SD, OFS, NONE, 4) \
  X(497, ZOP_BGTL_R_R_OFS, BGTL, "bgtl", 3, R, R, OFS, NONE, 4) \
  X(498, ZOP_BGTL_R_SD_OFS, BGTL, "bgtl", 3, R, SD, OFS, NONE, 4) \
  X(499, ZOP_BGTL_SD_R_OFS, BGTL, "bgtl", 3, SD, R, OFS, NONE, 4) \
  X(500, ZOP_BGTL_IMM_R_OFS, BGTL, "bgtl", 3, IMM, R, OFS, NONE, 4) \
  X(501, ZOP_BGTL_IMM_SD_OFS, BGTL, "bgtl", 3, IMM, SD, OFS, NONE, 4) \
  X(502, ZOP_BGEL_R_R_OFS, BGEL, "bgel", 3, R, R, OFS, NONE, 4) \
  X(503, ZOP_BGEL_R_SD_OFS, BGEL, "bgel", 3, R, SD, OFS, NONE, 4) \
  X(504, ZOP_BGEL_SD_R_OFS, BGEL, "bgel", 3, SD, R, OFS, NONE, 4) \
  X(505, ZOP_BGEL_IMM_R_OFS, BGEL, "bgel", 3, IMM, R, OFS, NONE, 4) \
  X(506, ZOP_BGEL_IMM_SD_OFS, BGEL, "bgel", 3, IMM, SD, OFS, NONE, 4) \
  X(507, ZOP_BLTL_R_R_OFS, BLTL, "bltl", 3, R, R, OFS, NONE, 4) \
  X(508, ZOP_BLTL_R_SD_OFS, BLTL, "bltl", 3, R, SD, OFS, NONE, 4) \
  X(509, ZOP_BLTL_SD_R_OFS, BLTL, "bltl", 3, SD, R, OFS, NONE, 4) \
  X(510, ZOP_BLTL_IMM_R_OFS, BLTL, "bltl", 3, IMM, R, OFS, NONE, 4) \
  X(511, ZOP_BLTL_IMM_SD_OFS, BLTL, "bltl", 3, IMM, SD, OFS, NONE, 4) \
  X(512, ZOP_BLEL_R_R_OFS, BLEL, "blel", 3, R, R, OFS, NONE, 4) \
  X(513, ZOP_BLEL_R_SD_OFS, BLEL, "blel", 3, R, SD, OFS, NONE, 4) \
  X(514, ZOP_BLEL_SD_R_OFS, BLEL, "blel", 3, SD, R, OFS, NONE, 4) \
  X(515, ZOP_BLEL_IMM_R_OFS, BLEL, "blel", 3, IMM, R, OFS, NONE, 4) \
  X(516, ZOP_BLEL_IMM_SD_OFS, BLEL, "blel", 3, IMM, SD, OFS, NONE, 4) \
  X(517, ZOP_IBLTL_R_R_OFS, IBLTL, "ibltl", 3, R, R, OFS, NONE, 4) \
  X(518, ZOP_IBLTL_SD_R_OFS, IBLTL, "ibltl", 3, SD, R, OFS, NONE, 4) \
  X(519, ZOP_IBLTL_IMM_R_OFS, IBLTL, "ibltl", 3, IMM, R, OFS, NONE, 4) \
  X(520, ZOP_IBLEL_R_R_OFS, IBLEL, "iblel", 3, R, R, OFS, NONE, 4) \
  X(521, ZOP_IBLEL_SD_R_OFS, IBLEL, "iblel", 3, SD, R, OFS, NONE, 4) \
  X(522, ZOP_IBLEL_IMM_R_OFS, IBLEL, "iblel", 3, IMM, R, OFS, NONE, 4) \
  X(523, ZOP_MADF3_R_R_R_R, MADF3, "madf3", 4, R, R, R, R, 5)

enum ZILOpcode {
#define ZIL_OPCODE_ENUM(op, name, fam, mn, n, k1, k2, k3, k4, len) name = op,
  ZIL_OPCODE_LIST(ZIL_OPCODE_ENUM)
#undef ZIL_OPCODE_ENUM
};

// Instruction families: one per mnemonic, in the order the mnemonics first appear in the table
// above. The compiler chooses an instruction by family and operand kinds, so a misspelt family is
// a compile-time error; the compiler checks at compile time that this list and the table's
// mnemonics agree (every row's mnemonic is a family here, and every family has a row).
#define ZIL_FAMILY_LIST(X) \
  X(ZFAM_NOP, "nop") \
  X(ZFAM_ALLOC, "alloc") \
  X(ZFAM_ALLOCA, "alloca") \
  X(ZFAM_ALLOCN, "allocn") \
  X(ZFAM_BRA, "bra") \
  X(ZFAM_BRK, "brk") \
  X(ZFAM_CALLM, "callm") \
  X(ZFAM_CALLS, "calls") \
  X(ZFAM_CALLN, "calln") \
  X(ZFAM_CVF, "cvf") \
  X(ZFAM_CVL, "cvl") \
  X(ZFAM_POPM, "popm") \
  X(ZFAM_POPR, "popr") \
  X(ZFAM_PUSHM, "pushm") \
  X(ZFAM_PUSHR, "pushr") \
  X(ZFAM_RET, "ret") \
  X(ZFAM_SIZE, "size") \
  X(ZFAM_TYPE, "type") \
  X(ZFAM_DEC, "dec") \
  X(ZFAM_INC, "inc") \
  X(ZFAM_MOVEH, "moveh") \
  X(ZFAM_NEG, "neg") \
  X(ZFAM_NOT, "not") \
  X(ZFAM_TSTEQ, "tsteq") \
  X(ZFAM_TSTNE, "tstne") \
  X(ZFAM_ADD, "add") \
  X(ZFAM_AND, "and") \
  X(ZFAM_ASL, "asl") \
  X(ZFAM_ASR, "asr") \
  X(ZFAM_DIV, "div") \
  X(ZFAM_LSL, "lsl") \
  X(ZFAM_LSR, "lsr") \
  X(ZFAM_MOD, "mod") \
  X(ZFAM_MUL, "mul") \
  X(ZFAM_OR, "or") \
  X(ZFAM_SUB, "sub") \
  X(ZFAM_XOR, "xor") \
  X(ZFAM_MOVE, "move") \
  X(ZFAM_LDZ, "ldz") \
  X(ZFAM_COPY, "copy") \
  X(ZFAM_POP, "pop") \
  X(ZFAM_PUSH, "push") \
  X(ZFAM_COPYH, "copyh") \
  X(ZFAM_CSEQ, "cseq") \
  X(ZFAM_CSNE, "csne") \
  X(ZFAM_CSGT, "csgt") \
  X(ZFAM_CSGE, "csge") \
  X(ZFAM_CSLT, "cslt") \
  X(ZFAM_CSLE, "csle") \
  X(ZFAM_SNUL, "snul") \
  X(ZFAM_SNNUL, "snnul") \
  X(ZFAM_UNOT, "unot") \
  X(ZFAM_STREQ, "streq") \
  X(ZFAM_STRNE, "strne") \
  X(ZFAM_STRADD, "stradd") \
  X(ZFAM_ARRCP, "arrcp") \
  X(ZFAM_ARRMV, "arrmv") \
  X(ZFAM_ADDL, "addl") \
  X(ZFAM_SUBL, "subl") \
  X(ZFAM_MULL, "mull") \
  X(ZFAM_DIVL, "divl") \
  X(ZFAM_MODL, "modl") \
  X(ZFAM_DECL, "decl") \
  X(ZFAM_INCL, "incl") \
  X(ZFAM_NEGL, "negl") \
  X(ZFAM_CSEQL, "cseql") \
  X(ZFAM_CSNEL, "csnel") \
  X(ZFAM_CSGTL, "csgtl") \
  X(ZFAM_CSGEL, "csgel") \
  X(ZFAM_CSLTL, "csltl") \
  X(ZFAM_CSLEL, "cslel") \
  X(ZFAM_ADDF, "addf") \
  X(ZFAM_SUBF, "subf") \
  X(ZFAM_MULF, "mulf") \
  X(ZFAM_DIVF, "divf") \
  X(ZFAM_MODF, "modf") \
  X(ZFAM_DECF, "decf") \
  X(ZFAM_INCF, "incf") \
  X(ZFAM_NEGF, "negf") \
  X(ZFAM_CSEQF, "cseqf") \
  X(ZFAM_CSNEF, "csnef") \
  X(ZFAM_CSGTF, "csgtf") \
  X(ZFAM_CSGEF, "csgef") \
  X(ZFAM_CSLTF, "csltf") \
  X(ZFAM_CSLEF, "cslef") \
  X(ZFAM_RTCHK, "rtchk") \
  X(ZFAM_JSR, "jsr") \
  X(ZFAM_NEWCTX, "newctx") \
  X(ZFAM_RESUME, "resume") \
  X(ZFAM_YIELD, "yield") \
  X(ZFAM_WREF, "wref") \
  X(ZFAM_CMPREF, "cmpref") \
  X(ZFAM_NEWDG, "newdg") \
  X(ZFAM_NEWDGM, "newdgm") \
  X(ZFAM_CALLDG, "calldg") \
  X(ZFAM_THROW, "throw") \
  X(ZFAM_ADDL3, "addl3") \
  X(ZFAM_SUBL3, "subl3") \
  X(ZFAM_MULL3, "mull3") \
  X(ZFAM_DIVL3, "divl3") \
  X(ZFAM_MODL3, "modl3") \
  X(ZFAM_ADDF3, "addf3") \
  X(ZFAM_SUBF3, "subf3") \
  X(ZFAM_MULF3, "mulf3") \
  X(ZFAM_DIVF3, "divf3") \
  X(ZFAM_MODF3, "modf3") \
  X(ZFAM_BEQL, "beql") \
  X(ZFAM_BNEL, "bnel") \
  X(ZFAM_BGTL, "bgtl") \
  X(ZFAM_BGEL, "bgel") \
  X(ZFAM_BLTL, "bltl") \
  X(ZFAM_BLEL, "blel") \
  X(ZFAM_IBLTL, "ibltl") \
  X(ZFAM_IBLEL, "iblel") \
  X(ZFAM_MADF3, "madf3")

enum ZILFamily {
#define ZIL_FAMILY_ENUM(name, mn) name,
  ZIL_FAMILY_LIST(ZIL_FAMILY_ENUM)
#undef ZIL_FAMILY_ENUM
  ZIL_FAMILY_COUNT
};
