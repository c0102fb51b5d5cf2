var otherLoaded = true;
