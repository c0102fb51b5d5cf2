var stolen = 'SECRET';
