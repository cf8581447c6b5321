// Resource ids of the BALANCE8 module: the main dialog, the nine setup page templates and every
// control on them. Only #defines, so that the resource scripts, the code and the tests include
// the same numbers. Check-box ids repeat across pages (a check box is known by its page and its
// id); edit ids are unique and named after the item they show.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// ---- Main dialog: the framework's template, controls and icons, and BALANCE8's own ----
#include "FPResourceIds.h"
#define IDC_MODE_OFF 32769
#define IDC_MODE_ON 12151
#define IDC_LOOP_21 12499
#define IDC_LOOP_22 12103
#define IDC_LOOP_41 12104
#define IDC_LOOP_23 12106
#define IDC_LOOP_24 12105
#define IDC_LOOP_42 12107
#define IDC_LOOP_8 12108
#define IDI_MODE_OFF 12043
#define IDI_MODE_ON 12053
#define IDI_OOS_GREY 12058
#define IDI_OOS 12059
#define IDI_ALARM_INHIBIT 32747

// ---- Setup page templates ----
#define IDD_PAGE_FIRST 2        // overview (CFirstSetup)
#define IDD_PAGE_MULTYBALANCE 4 // multi-branch balances (CMultyBalanceSetup)
#define IDD_PAGE_TWOTPBALANCE 5 // two-branch balances (CTwoTPBalanceSetup)
#define IDD_PAGE_SVLIMIT 6      // set-value limits (CSVLimtSetup)
#define IDD_PAGE_PVALARM 7      // branch flow alarms (CPVAlarmSetup)
#define IDD_PAGE_TALARM 8       // branch temperature alarms (CTAlarmSetup1)
#define IDD_PAGE_TCSALARM 9     // tube-skin temperature alarms (CTCSAlarmSetup1)
#define IDD_PAGE_KTL 10         // K/T/L factors (CKTLSetup)
#define IDD_PAGE_SPEEDALARM 11  // rate alarms (CSpeedAlarmSetup)

// ---- Numeric edits, named after the item they show (one id per item, unique) ----
#define IDC_FTTL 12176
#define IDC_FTTLSET 12444
#define IDC_FPASS1 12463
#define IDC_FPASS2 12464
#define IDC_FPASS3 12465
#define IDC_FPASS4 12466
#define IDC_FPASS5 12215
#define IDC_FPASS6 12216
#define IDC_FPASS7 12217
#define IDC_FPASS8 12468
#define IDC_TPASS1 12484
#define IDC_TPASS2 12486
#define IDC_TPASS3 12488
#define IDC_TPASS4 12490
#define IDC_TPASS5 12492
#define IDC_TPASS6 12494
#define IDC_TPASS7 12496
#define IDC_TPASS8 12234
#define IDC_TCS1 12235
#define IDC_TCS2 12236
#define IDC_TCS3 12237
#define IDC_TCS4 12238
#define IDC_TCS5 12239
#define IDC_TCS6 12240
#define IDC_TCS7 12241
#define IDC_TCS8 12242
#define IDC_FPSET1 12469
#define IDC_FPSET2 12500
#define IDC_FPSET3 12472
#define IDC_FPSET4 12474
#define IDC_FPSET5 12476
#define IDC_FPSET6 12478
#define IDC_FPSET7 12480
#define IDC_FPSET8 12482
#define IDC_FPHH1 12323
#define IDC_FPHH2 12324
#define IDC_FPHH3 12325
#define IDC_FPHH4 12326
#define IDC_FPHH5 12327
#define IDC_FPHH6 12328
#define IDC_FPHH7 12329
#define IDC_FPHH8 12330
#define IDC_FPH1 12331
#define IDC_FPH2 12332
#define IDC_FPH3 12333
#define IDC_FPH4 12334
#define IDC_FPH5 12335
#define IDC_FPH6 12336
#define IDC_FPH7 12337
#define IDC_FPH8 12338
#define IDC_FPL1 12339
#define IDC_FPL2 12340
#define IDC_FPL3 12341
#define IDC_FPL4 12342
#define IDC_FPL5 12343
#define IDC_FPL6 12344
#define IDC_FPL7 12345
#define IDC_FPL8 12346
#define IDC_FPLL1 12347
#define IDC_FPLL2 12348
#define IDC_FPLL3 12349
#define IDC_FPLL4 12350
#define IDC_FPLL5 12351
#define IDC_FPLL6 12352
#define IDC_FPLL7 12353
#define IDC_FPLL8 12354
#define IDC_FPHYS1 12355
#define IDC_FPHYS2 12356
#define IDC_FPHYS3 12357
#define IDC_FPHYS4 12358
#define IDC_FPHYS5 12359
#define IDC_FPHYS6 12360
#define IDC_FPHYS7 12361
#define IDC_FPHYS8 12362
#define IDC_FPVL1 12363
#define IDC_FPVL2 12364
#define IDC_FPVL3 12365
#define IDC_FPVL4 12366
#define IDC_FPVL5 12367
#define IDC_FPVL6 12368
#define IDC_FPVL7 12369
#define IDC_FPVL8 12370
#define IDC_TPHH1 12404
#define IDC_TPHH2 12405
#define IDC_TPHH3 12406
#define IDC_TPHH4 12407
#define IDC_TPHH5 12408
#define IDC_TPHH6 12409
#define IDC_TPHH7 12410
#define IDC_TPHH8 12411
#define IDC_TPH1 12412
#define IDC_TPH2 12413
#define IDC_TPH3 12414
#define IDC_TPH4 12415
#define IDC_TPH5 12416
#define IDC_TPH6 12417
#define IDC_TPH7 12418
#define IDC_TPH8 12419
#define IDC_TPL1 12420
#define IDC_TPL2 12421
#define IDC_TPL3 12422
#define IDC_TPL4 12423
#define IDC_TPL5 12424
#define IDC_TPL6 12425
#define IDC_TPL7 12426
#define IDC_TPL8 12427
#define IDC_TPLL1 12428
#define IDC_TPLL2 12429
#define IDC_TPLL3 12430
#define IDC_TPLL4 12431
#define IDC_TPLL5 12432
#define IDC_TPLL6 12433
#define IDC_TPLL7 12434
#define IDC_TPLL8 12435
#define IDC_TPHYS1 12436
#define IDC_TPHYS2 12437
#define IDC_TPHYS3 12438
#define IDC_TPHYS4 12439
#define IDC_TPHYS5 12440
#define IDC_TPHYS6 12441
#define IDC_TPHYS7 12442
#define IDC_TPHYS8 12443
#define IDC_TPVL1 12372
#define IDC_TPVL2 12373
#define IDC_TPVL3 12374
#define IDC_TPVL4 12375
#define IDC_TPVL5 12376
#define IDC_TPVL6 12377
#define IDC_TPVL7 12378
#define IDC_TPVL8 12379
#define IDC_TCSHH1 12445
#define IDC_TCSHH2 12446
#define IDC_TCSHH3 12447
#define IDC_TCSHH4 12448
#define IDC_TCSHH5 12449
#define IDC_TCSHH6 12450
#define IDC_TCSHH7 12451
#define IDC_TCSHH8 12452
#define IDC_TCSH1 12453
#define IDC_TCSH2 12454
#define IDC_TCSH3 12455
#define IDC_TCSH4 12456
#define IDC_TCSH5 12457
#define IDC_TCSH6 12458
#define IDC_TCSH7 12459
#define IDC_TCSH8 12461
#define IDC_TCSL1 12218
#define IDC_TCSL2 12470
#define IDC_TCSL3 12471
#define IDC_TCSL4 12473
#define IDC_TCSL5 12475
#define IDC_TCSL6 12477
#define IDC_TCSL7 12479
#define IDC_TCSL8 12481
#define IDC_TCSLL1 12483
#define IDC_TCSLL2 12485
#define IDC_TCSLL3 12487
#define IDC_TCSLL4 12489
#define IDC_TCSLL5 12491
#define IDC_TCSLL6 12493
#define IDC_TCSLL7 12495
#define IDC_TCSLL8 12497
#define IDC_TCSHYS1 12462
#define IDC_TCSHYS2 12196
#define IDC_TCSHYS3 12197
#define IDC_TCSHYS4 12198
#define IDC_TCSHYS5 12199
#define IDC_TCSHYS6 12200
#define IDC_TCSHYS7 12201
#define IDC_TCSHYS8 12501
#define IDC_TCSVL1 12203
#define IDC_TCSVL2 12204
#define IDC_TCSVL3 12205
#define IDC_TCSVL4 12206
#define IDC_TCSVL5 12207
#define IDC_TCSVL6 12208
#define IDC_TCSVL7 12209
#define IDC_TCSVL8 12210
#define IDC_FPSETH1 12380
#define IDC_FPSETH2 12381
#define IDC_FPSETH3 12382
#define IDC_FPSETH4 12383
#define IDC_FPSETH5 12384
#define IDC_FPSETH6 12385
#define IDC_FPSETH7 12386
#define IDC_FPSETH8 12387
#define IDC_FPSETL1 12388
#define IDC_FPSETL2 12389
#define IDC_FPSETL3 12390
#define IDC_FPSETL4 12391
#define IDC_FPSETL5 12392
#define IDC_FPSETL6 12393
#define IDC_FPSETL7 12394
#define IDC_FPSETL8 12395
#define IDC_FPSETVL1 12396
#define IDC_FPSETVL2 12397
#define IDC_FPSETVL3 12398
#define IDC_FPSETVL4 12399
#define IDC_FPSETVL5 12400
#define IDC_FPSETVL6 12401
#define IDC_FPSETVL7 12402
#define IDC_FPSETVL8 12403
#define IDC_KPM1 12243
#define IDC_KPM2 12244
#define IDC_KPM3 12245
#define IDC_KPM4 12246
#define IDC_KPM5 12247
#define IDC_KPM6 12248
#define IDC_KPM7 12249
#define IDC_KPM8 12250
#define IDC_TPM1 12251
#define IDC_TPM2 12252
#define IDC_TPM3 12253
#define IDC_TPM4 12254
#define IDC_TPM5 12255
#define IDC_TPM6 12256
#define IDC_TPM7 12257
#define IDC_TPM8 12258
#define IDC_LPM1 12259
#define IDC_LPM2 12260
#define IDC_LPM3 12261
#define IDC_LPM4 12262
#define IDC_LPM5 12263
#define IDC_LPM6 12264
#define IDC_LPM7 12265
#define IDC_LPM8 12266
#define IDC_FMAXER21 12269
#define IDC_FMAXER22 12285
#define IDC_FMAXER41 12322
#define IDC_FMAXER23 12291
#define IDC_FMAXER24 12296
#define IDC_FMAXER42 12309
#define IDC_FMAXER8 12321
#define IDC_TMAXER21 12270
#define IDC_TMAXER22 12287
#define IDC_TMAXER41 12307
#define IDC_TMAXER23 12293
#define IDC_TMAXER24 12298
#define IDC_TMAXER42 12308
#define IDC_TMAXER8 12319
#define IDC_FERLMT21 12267
#define IDC_FERLMT22 12284
#define IDC_FERLMT41 12310
#define IDC_FERLMT23 12290
#define IDC_FERLMT24 12202
#define IDC_FERLMT42 12182
#define IDC_FERLMT8 12460
#define IDC_TERLMT21 12268
#define IDC_TERLMT22 12286
#define IDC_TERLMT41 12311
#define IDC_TERLMT23 12292
#define IDC_TERLMT24 12297
#define IDC_TERLMT42 12312
#define IDC_TERLMT8 12320
#define IDC_HLMT21 12271
#define IDC_HLMT22 12288
#define IDC_HLMT41 12313
#define IDC_HLMT23 12294
#define IDC_HLMT24 12299
#define IDC_HLMT42 12314
#define IDC_HLMT8 12318
#define IDC_LLMT21 12272
#define IDC_LLMT22 12289
#define IDC_LLMT41 12315
#define IDC_LLMT23 12295
#define IDC_LLMT24 12300
#define IDC_LLMT42 12316
#define IDC_LLMT8 12317
#define IDC_K211 12273
#define IDC_K221 12276
#define IDC_K411 12301
#define IDC_K231 12279
#define IDC_K241 12282
#define IDC_K421 12303
#define IDC_K81 12305
#define IDC_K212 12274
#define IDC_K222 12277
#define IDC_K412 12302
#define IDC_K232 12280
#define IDC_K242 12283
#define IDC_K422 12304
#define IDC_K82 12306
#define IDC_K213 12275
#define IDC_K223 12278
#define IDC_K413 12211
#define IDC_K233 12281
#define IDC_K243 12214
#define IDC_K423 12212
#define IDC_K83 12213

// ---- Overview page (template 2) ----
#define IDC_UNIT_FTTL 12651      // unit label, total flow
#define IDC_UNIT_FTTLSET 12652   // unit label, total flow
#define IDC_OUT_OF_SERVICE 12126 // switch, item 94
#define IDC_ALARM_INHIBIT 32775  // switch, item 104
#define IDC_GRP_FPASS 12588      // group box, branch flow unit
#define IDC_GRP_FPSET 12589      // group box, branch flow unit
#define IDC_GRP_TPASS 12590      // group box, branch temperature unit
#define IDC_GRP_TCS 12591        // group box, tube-skin temperature unit

// ---- Multi-branch balance page (template 4): unit labels of the loop settings ----
#define IDC_UNIT_FERLMT41 12609 // unit label, branch flow
#define IDC_UNIT_FMAXER41 12610 // unit label, branch flow
#define IDC_UNIT_TERLMT41 12611 // unit label, branch temperature
#define IDC_UNIT_TMAXER41 12612 // unit label, branch temperature
#define IDC_UNIT_HLMT41 12613   // unit label, branch flow
#define IDC_UNIT_LLMT41 12614   // unit label, branch flow
#define IDC_UNIT_FERLMT42 12615 // unit label, branch flow
#define IDC_UNIT_FMAXER42 12616 // unit label, branch flow
#define IDC_UNIT_TERLMT42 12617 // unit label, branch temperature
#define IDC_UNIT_TMAXER42 12618 // unit label, branch temperature
#define IDC_UNIT_HLMT42 12619   // unit label, branch flow
#define IDC_UNIT_LLMT42 12620   // unit label, branch flow
#define IDC_UNIT_FERLMT8 12626  // unit label, branch flow
#define IDC_UNIT_FMAXER8 12625  // unit label, branch flow
#define IDC_UNIT_TERLMT8 12624  // unit label, branch temperature
#define IDC_UNIT_TMAXER8 12623  // unit label, branch temperature
#define IDC_UNIT_HLMT8 12622    // unit label, branch flow
#define IDC_UNIT_LLMT8 12621    // unit label, branch flow

// ---- Two-branch balance page (template 5): unit labels of the loop settings ----
#define IDC_UNIT_FERLMT21 12627 // unit label, branch flow
#define IDC_UNIT_FMAXER21 12631 // unit label, branch flow
#define IDC_UNIT_TERLMT21 12635 // unit label, branch temperature
#define IDC_UNIT_TMAXER21 12639 // unit label, branch temperature
#define IDC_UNIT_HLMT21 12643   // unit label, branch flow
#define IDC_UNIT_LLMT21 12647   // unit label, branch flow
#define IDC_UNIT_FERLMT22 12628 // unit label, branch flow
#define IDC_UNIT_FMAXER22 12632 // unit label, branch flow
#define IDC_UNIT_TERLMT22 12636 // unit label, branch temperature
#define IDC_UNIT_TMAXER22 12640 // unit label, branch temperature
#define IDC_UNIT_HLMT22 12644   // unit label, branch flow
#define IDC_UNIT_LLMT22 12648   // unit label, branch flow
#define IDC_UNIT_FERLMT23 12629 // unit label, branch flow
#define IDC_UNIT_FMAXER23 12633 // unit label, branch flow
#define IDC_UNIT_TERLMT23 12637 // unit label, branch temperature
#define IDC_UNIT_TMAXER23 12641 // unit label, branch temperature
#define IDC_UNIT_HLMT23 12645   // unit label, branch flow
#define IDC_UNIT_LLMT23 12649   // unit label, branch flow
#define IDC_UNIT_FERLMT24 12630 // unit label, branch flow
#define IDC_UNIT_FMAXER24 12634 // unit label, branch flow
#define IDC_UNIT_TERLMT24 12638 // unit label, branch temperature
#define IDC_UNIT_TMAXER24 12642 // unit label, branch temperature
#define IDC_UNIT_HLMT24 12646   // unit label, branch flow
#define IDC_UNIT_LLMT24 12650   // unit label, branch flow

// ---- Set-value limit page (template 6): group boxes and limit enable check boxes ----
#define IDC_SVL_GRP_HIGH 12599 // group box, branch flow unit
#define IDC_SVL_GRP_LOW 12600  // group box, branch flow unit
#define IDC_SVL_GRP_RATE 12654 // group box, branch flow unit
#define IDC_SVL_HIGH1 12502
#define IDC_SVL_HIGH2 12510
#define IDC_SVL_HIGH3 12511
#define IDC_SVL_HIGH4 12512
#define IDC_SVL_HIGH5 12513
#define IDC_SVL_HIGH6 12514
#define IDC_SVL_HIGH7 12515
#define IDC_SVL_HIGH8 12516
#define IDC_SVL_LOW1 12517
#define IDC_SVL_LOW2 12518
#define IDC_SVL_LOW3 12519
#define IDC_SVL_LOW4 12520
#define IDC_SVL_LOW5 12521
#define IDC_SVL_LOW6 12522
#define IDC_SVL_LOW7 12523
#define IDC_SVL_LOW8 12524
#define IDC_SVL_RATE1 12533
#define IDC_SVL_RATE2 12534
#define IDC_SVL_RATE3 12535
#define IDC_SVL_RATE4 12536
#define IDC_SVL_RATE5 12537
#define IDC_SVL_RATE6 12538
#define IDC_SVL_RATE7 12539
#define IDC_SVL_RATE8 12540

// ---- Branch flow (PV) alarm page (template 7): group boxes and alarm enable check boxes ----
#define IDC_PVA_GRP_HH 12595 // group box, branch flow unit
#define IDC_PVA_GRP_H 12596  // group box, branch flow unit
#define IDC_PVA_GRP_LL 12597 // group box, branch flow unit
#define IDC_PVA_GRP_L 12598  // group box, branch flow unit
#define IDC_PVA_HH1 12579
#define IDC_PVA_HH2 12580
#define IDC_PVA_HH3 12581
#define IDC_PVA_HH4 12582
#define IDC_PVA_HH5 12583
#define IDC_PVA_HH6 12584
#define IDC_PVA_HH7 12585
#define IDC_PVA_HH8 12586
#define IDC_PVA_H1 12531
#define IDC_PVA_H2 12532
#define IDC_PVA_H3 12533
#define IDC_PVA_H4 12534
#define IDC_PVA_H5 12535
#define IDC_PVA_H6 12536
#define IDC_PVA_H7 12537
#define IDC_PVA_H8 12538
#define IDC_PVA_L1 12563
#define IDC_PVA_L2 12564
#define IDC_PVA_L3 12565
#define IDC_PVA_L4 12566
#define IDC_PVA_L5 12567
#define IDC_PVA_L6 12568
#define IDC_PVA_L7 12569
#define IDC_PVA_L8 12570
#define IDC_PVA_LL1 12539
#define IDC_PVA_LL2 12540
#define IDC_PVA_LL3 12541
#define IDC_PVA_LL4 12542
#define IDC_PVA_LL5 12543
#define IDC_PVA_LL6 12544
#define IDC_PVA_LL7 12545
#define IDC_PVA_LL8 12546

// ---- Branch temperature alarm page (template 8): group boxes and alarm enable check boxes ----
#define IDC_TA_GRP_HH 12601 // group box, branch temperature unit
#define IDC_TA_GRP_H 12602  // group box, branch temperature unit
#define IDC_TA_GRP_L 12603  // group box, branch temperature unit
#define IDC_TA_GRP_LL 12604 // group box, branch temperature unit
#define IDC_TA_HH1 12507
#define IDC_TA_HH2 12508
#define IDC_TA_HH3 12509
#define IDC_TA_HH4 12510
#define IDC_TA_HH5 12511
#define IDC_TA_HH6 12512
#define IDC_TA_HH7 12513
#define IDC_TA_HH8 12514
#define IDC_TA_H1 12503
#define IDC_TA_H2 12517
#define IDC_TA_H3 12518
#define IDC_TA_H4 12519
#define IDC_TA_H5 12520
#define IDC_TA_H6 12521
#define IDC_TA_H7 12522
#define IDC_TA_H8 12523
#define IDC_TA_L1 12504
#define IDC_TA_L2 12524
#define IDC_TA_L3 12525
#define IDC_TA_L4 12526
#define IDC_TA_L5 12527
#define IDC_TA_L6 12528
#define IDC_TA_L7 12529
#define IDC_TA_L8 12530
#define IDC_TA_LL1 12505
#define IDC_TA_LL2 12531
#define IDC_TA_LL3 12532
#define IDC_TA_LL4 12533
#define IDC_TA_LL5 12534
#define IDC_TA_LL6 12535
#define IDC_TA_LL7 12536
#define IDC_TA_LL8 12537

// ---- Tube-skin temperature alarm page (template 9): group boxes and alarm enable check boxes ----
#define IDC_TCSA_GRP_HH 12605 // group box, tube-skin temperature unit
#define IDC_TCSA_GRP_H 12606  // group box, tube-skin temperature unit
#define IDC_TCSA_GRP_L 12607  // group box, tube-skin temperature unit
#define IDC_TCSA_GRP_LL 12608 // group box, tube-skin temperature unit
#define IDC_TCSA_HH1 12515
#define IDC_TCSA_HH2 12516
#define IDC_TCSA_HH3 12517
#define IDC_TCSA_HH4 12518
#define IDC_TCSA_HH5 12519
#define IDC_TCSA_HH6 12520
#define IDC_TCSA_HH7 12521
#define IDC_TCSA_HH8 12522
#define IDC_TCSA_H1 12547
#define IDC_TCSA_H2 12548
#define IDC_TCSA_H3 12549
#define IDC_TCSA_H4 12550
#define IDC_TCSA_H5 12551
#define IDC_TCSA_H6 12552
#define IDC_TCSA_H7 12553
#define IDC_TCSA_H8 12554
#define IDC_TCSA_L1 12555
#define IDC_TCSA_L2 12556
#define IDC_TCSA_L3 12557
#define IDC_TCSA_L4 12558
#define IDC_TCSA_L5 12559
#define IDC_TCSA_L6 12560
#define IDC_TCSA_L7 12561
#define IDC_TCSA_L8 12562
#define IDC_TCSA_LL1 12563
#define IDC_TCSA_LL2 12564
#define IDC_TCSA_LL3 12565
#define IDC_TCSA_LL4 12566
#define IDC_TCSA_LL5 12567
#define IDC_TCSA_LL6 12568
#define IDC_TCSA_LL7 12569
#define IDC_TCSA_LL8 12570

// ---- K/T/L page (template 10) ----
#define IDC_CONTROL_METHOD 12655 // switch, item 103

// ---- Rate alarm page (template 11): group boxes and rate alarm enable check boxes ----
#define IDC_RATE_GRP_FLOW 12594 // group box, branch flow unit
#define IDC_RATE_GRP_TEMP 12592 // group box, branch temperature unit
#define IDC_RATE_GRP_TCS 12593  // group box, tube-skin temperature unit
#define IDC_RATE_FLOW1 12531
#define IDC_RATE_FLOW2 12532
#define IDC_RATE_FLOW3 12533
#define IDC_RATE_FLOW4 12534
#define IDC_RATE_FLOW5 12535
#define IDC_RATE_FLOW6 12536
#define IDC_RATE_FLOW7 12537
#define IDC_RATE_FLOW8 12538
#define IDC_RATE_TEMP1 12515
#define IDC_RATE_TEMP2 12516
#define IDC_RATE_TEMP3 12517
#define IDC_RATE_TEMP4 12518
#define IDC_RATE_TEMP5 12519
#define IDC_RATE_TEMP6 12520
#define IDC_RATE_TEMP7 12521
#define IDC_RATE_TEMP8 12522
#define IDC_RATE_TCS1 12523
#define IDC_RATE_TCS2 12524
#define IDC_RATE_TCS3 12525
#define IDC_RATE_TCS4 12526
#define IDC_RATE_TCS5 12527
#define IDC_RATE_TCS6 12528
#define IDC_RATE_TCS7 12529
#define IDC_RATE_TCS8 12530
