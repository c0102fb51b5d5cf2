external.rtl = rtl;
