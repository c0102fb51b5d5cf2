var a = 1;
  undefinedFunction();
